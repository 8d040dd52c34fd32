#include "SdsDescription.h"

#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace sdsmaker {

namespace {

std::vector<std::string> SplitWords(const std::string& line) {
  std::vector<std::string> words;
  size_t i = 0;
  while (i < line.size()) {
    if (line[i] == ' ' || line[i] == '\t' || line[i] == '\r') {
      ++i;
      continue;
    }
    std::string word;
    if (line[i] == '"') {
      for (++i; i < line.size() && line[i] != '"'; ++i) {
        if (line[i] == '\\' && i + 1 < line.size()) ++i;
        word += line[i];
      }
      if (i >= line.size()) throw std::runtime_error("unclosed quote");
      ++i;
    } else {
      while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') word += line[i++];
    }
    words.push_back(word);
  }
  return words;
}

int64_t Number(const std::string& word) {
  size_t used = 0;
  const long long value = std::stoll(word, &used, 0);
  if (used != word.size()) throw std::runtime_error("not a number: " + word);
  return value;
}

Bytes ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

Bytes Data(const std::string& spec, const std::string& base) {
  const size_t colon = spec.find(':');
  const std::string kind = spec.substr(0, colon);
  const std::string rest = colon == std::string::npos ? "" : spec.substr(colon + 1);
  if (kind == "empty") return {};
  if (kind == "text") return Bytes(rest.begin(), rest.end());
  if (kind == "file") return ReadWholeFile(!rest.empty() && rest[0] == '/' ? rest : base + "/" + rest);
  if (kind == "zeros") return Bytes(static_cast<size_t>(Number(rest)), 0);
  if (kind == "hex") {
    if (rest.size() % 2) throw std::runtime_error("odd number of hex digits");
    Bytes b;
    for (size_t i = 0; i < rest.size(); i += 2) b.push_back(static_cast<uint8_t>(std::stoi(rest.substr(i, 2), nullptr, 16)));
    return b;
  }
  if (kind == "random") {
    const size_t second = rest.find(':');
    uint32_t state = second == std::string::npos ? 1u : static_cast<uint32_t>(Number(rest.substr(second + 1)));
    Bytes b(static_cast<size_t>(Number(rest.substr(0, second))));
    for (uint8_t& x : b) {
      state = state * 1664525u + 1013904223u;
      x = static_cast<uint8_t>(state >> 24);
    }
    return b;
  }
  throw std::runtime_error("unknown data source: " + spec);
}

void Need(const std::vector<std::string>& w, size_t count) {
  if (w.size() != count) throw std::runtime_error("'" + w[0] + "' takes " + std::to_string(count - 1) + " words");
}

Resource& Last(Archive& a, const std::string& directive) {
  if (a.resources.empty()) throw std::runtime_error("'" + directive + "' before any resource");
  return a.resources.back();
}

void Apply(Archive& a, const std::vector<std::string>& w, const std::string& base) {
  const std::string& d = w[0];
  if (d == "chunk-size") {
    if (w.size() < 2) throw std::runtime_error("'chunk-size' takes at least one size");
    a.chunking.sizes.clear();
    for (size_t i = 1; i < w.size(); ++i) a.chunking.sizes.push_back(Number(w[i]));
  } else if (d == "chunks") {
    Need(w, 2);
    if (w[1] == "compressed") a.chunking.compressed = {true};
    else if (w[1] == "stored") a.chunking.compressed = {false};
    else if (w[1] == "alternate") a.chunking.compressed = {true, false};
    else throw std::runtime_error("chunks: compressed, stored or alternate");
  } else if (d == "level") {
    Need(w, 2);
    a.chunking.level = static_cast<int>(Number(w[1]));
  } else if (d == "chunk-text") {
    Need(w, 2);
    a.chunking.headerText = w[1];
  } else if (d == "type-row") {
    Need(w, 4);
    a.typeTable.push_back({w[1], static_cast<int32_t>(Number(w[2])), static_cast<int32_t>(Number(w[3]))});
  } else if (d == "resource") {
    Need(w, 4);
    Resource r;
    r.typeName = w[1];
    r.source = w[2];
    r.data = Data(w[3], base);
    a.resources.push_back(std::move(r));
  } else if (d == "name") {
    Need(w, 2);
    Last(a, d).headerName = w[1];
  } else if (d == "sub") {
    Need(w, 3);
    Last(a, d).subScripts.push_back({w[1], Data(w[2], base), {}});
  } else {
    throw std::runtime_error("unknown directive '" + d + "'");
  }
}

}  // namespace

Archive ParseDescription(const std::string& text, const std::string& baseFolder) {
  Archive a;
  std::istringstream lines(text);
  int number = 0;
  for (std::string line; std::getline(lines, line);) {
    ++number;
    try {
      const std::vector<std::string> words = SplitWords(line);
      if (words.empty() || words[0][0] == '#') continue;
      Apply(a, words, baseFolder);
    } catch (const std::exception& e) {
      throw std::runtime_error("line " + std::to_string(number) + ": " + e.what());
    }
  }
  return a;
}

}  // namespace sdsmaker
