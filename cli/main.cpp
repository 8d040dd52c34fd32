// quorvin-cli: the command-line front end. Dispatches to one command per file.
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>
#include <new>

#include "CliSupport.h"
#include "Commands.h"
#include "Exceptions.h"
#include "Help.h"

namespace {

struct Command {
  const char* name;
  int (*run)(const Args&);
};

constexpr Command kCommands[] = {
    {"list", RunList},     {"extract", RunExtract}, {"export", RunExport},
    {"convert", RunConvert}, {"info", RunInfo},
};

}  // namespace

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  Args args(argv + 1, argv + argc);
  try {
    if (args.empty()) throw UsageError("no command given");
    const std::string name = args.front();
    if (name == "--help" || name == "-h" || name == "help") {
      std::cout << HelpText();
      return 0;
    }
    if (name == "--version") {
      std::cout << "quorvin-cli 0.3\n";
      return 0;
    }
    for (const Command& command : kCommands) {
      if (name == command.name) return command.run(Args(args.begin() + 1, args.end()));
    }
    throw UsageError("unknown command '" + name + "'");
  } catch (const UsageError& e) {
    std::cout.flush();
    std::cerr << "error: " << e.what() << "\n"
              << "Try 'quorvin-cli --help' for more information.\n";
    return 2;
  } catch (const std::bad_alloc&) {
    std::cout.flush();
    std::cerr << "error: out of memory\n";
    return 1;
  } catch (const std::exception& e) {
    std::cout.flush();
    std::cerr << "error: " << e.what() << "\n";
    return 1;
  }
}
