// The XML resource descriptor: entries, the single-text rule, encodings, hostile XML.
#include <gtest/gtest.h>

#include <chrono>

#include "ArchiveTestSupport.h"

using namespace archive_test;

namespace {

std::unique_ptr<Opened> OpenDescriptor(const std::string& xml) {
  sdsmaker::Archive a;
  a.descriptor = xml;
  a.resCount = 0;
  return OpenBytes(sdsmaker::Build(a).file);
}

std::string Utf16(const std::string& ascii, bool bigEndian) {
  std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (char c : ascii) {
    // \x01 stands for U+00E4, to show a non-ASCII character survives.
    const char unit = c == '\x01' ? '\xE4' : c;
    out += bigEndian ? std::string{'\0', unit} : std::string{unit, '\0'};
  }
  return out;
}

using Fields = std::vector<std::pair<std::string, std::string>>;  // TypeName, SourceDataDescription

TEST(Descriptor, TurnsRootChildrenIntoEntries) {
  const std::string r = "<r><e><TypeName>Texture</TypeName><SourceDataDescription>/a.dds</SourceDataDescription></e>";
  struct Case {
    const char* name;
    std::string xml;
    Fields expected;
  } cases[] = {
      {"no children", "<r/>", {}},
      {"one entry", r + "</r>", {{"Texture", "/a.dds"}}},
      {"whitespace between elements is no node", "<r>\n  <e/>\n\t<e/>  </r>", {{"", ""}, {"", ""}}},
      {"missing elements give empty text", "<r><e><TypeName>XML</TypeName></e><e/></r>", {{"XML", ""}, {"", ""}}},
      {"element without content", "<r><e><TypeName/><SourceDataDescription></SourceDataDescription></e></r>",
       {{"", ""}}},
      {"whitespace-only content", "<r><e><TypeName>  </TypeName></e></r>", {{"", ""}}},
      {"other elements and attributes ignored",
       "<r a='1'><e x='y'><Size>4</Size><TypeName k='v'>Sound</TypeName><TypeName>Later</TypeName></e></r>",
       {{"Sound", ""}}},
      {"names are case-sensitive and qualified", "<r xmlns:x='u'><e><typename>A</typename><x:TypeName>B</x:TypeName></e></r>",
       {{"", ""}}},
      {"comments and processing instructions count", "<r><!-- c --><?pi x?><e><TypeName>T</TypeName></e></r>",
       {{"", ""}, {"", ""}, {"T", ""}}},
      {"text at root level counts", "<r>stray<e/></r>", {{"", ""}, {"", ""}}},
      {"CDATA section", "<r><e><TypeName><![CDATA[a<b]]></TypeName></e></r>", {{"a<b", ""}}},
      {"character and predefined entities", "<r><e><TypeName>a&amp;b&#x20AC;</TypeName></e></r>", {{"a&b\u20AC", ""}}},
      {"internal entity substituted", "<!DOCTYPE r [<!ENTITY t 'Texture'>]><r><e><TypeName>&t;</TypeName></e></r>",
       {{"Texture", ""}}},
      {"text kept unchanged", "<r><e><TypeName> Mipmap\n</TypeName></e></r>", {{" Mipmap\n", ""}}},
      {"ISO-8859-1", "<?xml version='1.0' encoding='ISO-8859-1'?><r><e><TypeName>\xE4</TypeName></e></r>",
       {{"\u00E4", ""}}},
      {"windows-1252", "<?xml version='1.0' encoding='windows-1252'?><r><e><TypeName>\x80\x9F</TypeName></e></r>",
       {{"\u20AC\u0178", ""}}},
      {"windows-1252 undefined bytes stay controls",
       "<?xml version='1.0' encoding='cp1252'?><r><e><TypeName>\x81\x8D\x8F\x90\x9D\xE4</TypeName></e></r>",
       {{"\u0081\u008D\u008F\u0090\u009D\u00E4", ""}}},
      {"UTF-8 with BOM", "\xEF\xBB\xBF<r><e><TypeName>\xC3\xA4</TypeName></e></r>", {{"\u00E4", ""}}},
      {"UTF-16 LE", Utf16("<r><e><TypeName>\x01</TypeName></e></r>", false), {{"\u00E4", ""}}},
      {"UTF-16 BE", Utf16("<?xml version='1.0' encoding='UTF-16'?><r><e><TypeName>\x01</TypeName></e></r>", true),
       {{"\u00E4", ""}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto opened = OpenDescriptor(c.xml);
    ASSERT_TRUE(opened->ok()) << opened->error;
    Fields got;
    for (const TIEFile_Entry& e : opened->sds->files) got.emplace_back(e.TypeName, e.SourceDataDescription);
    EXPECT_EQ(got, c.expected);
  }
}

TEST(Descriptor, RejectsContentThatIsNotOnePieceOfText) {
  const std::string rule = "Element \"%s\" enth\xC3\xA4lt keinen einzelnen Textknoten";
  auto Rule = [&](const std::string& name) {
    std::string text = rule;
    return text.replace(text.find("%s"), 2, name);
  };
  struct Case {
    const char* name;
    std::string xml;
    std::string error;
  } cases[] = {
      {"child element", "<r><e><TypeName>a<b/></TypeName></e></r>", Rule("TypeName")},
      {"text and CDATA", "<r><e><SourceDataDescription>a<![CDATA[b]]></SourceDataDescription></e></r>",
       Rule("SourceDataDescription")},
      {"comment inside", "<r><e><TypeName>Tex<!--x-->ture</TypeName></e></r>", Rule("TypeName")},
      {"second entry fails", "<r><e><TypeName>A</TypeName></e><e><TypeName><x/></TypeName></e></r>",
       Rule("TypeName")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto opened = OpenDescriptor(c.xml);
    EXPECT_EQ(opened->error, c.error);
    EXPECT_TRUE(opened->sds->files.empty());
  }
}

TEST(Descriptor, EntityBombFailsFastWithTheParsersError) {
  std::string xml = "<?xml version='1.0'?><!DOCTYPE r [<!ENTITY l0 'lollollollollol'>";
  for (int i = 1; i <= 12; ++i) {
    xml += "<!ENTITY l" + std::to_string(i) + " '";
    for (int j = 0; j < 10; ++j) xml += "&l" + std::to_string(i - 1) + ";";
    xml += "'>";
  }
  xml += "]><r><e><TypeName>&l12;</TypeName></e></r>";
  const auto begin = std::chrono::steady_clock::now();
  const auto opened = OpenDescriptor(xml);
  EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(5));  // a hang guard, not a timing
  EXPECT_EQ(opened->error, "XML parse error: Detected an entity reference loop (line 1)");
}

TEST(Descriptor, NeverLoadsExternalEntitiesOrDtds) {
  testing_support::TempDir dir;
  testing_support::WriteFileBytes(dir / "secret", {'S', 'E', 'C', 'R', 'E', 'T'});
  const std::string secret = "file://" + (dir / "secret").string();
  const std::string cases[] = {
      "<!DOCTYPE r [<!ENTITY x SYSTEM '" + secret + "'>]><r><e><TypeName>&x;</TypeName></e></r>",
      "<!DOCTYPE r SYSTEM '" + secret + "'><r><e><TypeName>a</TypeName></e></r>",
      "<!DOCTYPE r [<!ENTITY % p SYSTEM '" + secret + "'> %p;]><r><e><TypeName>a</TypeName></e></r>",
  };
  for (const std::string& xml : cases) {
    SCOPED_TRACE(xml);
    const auto opened = OpenDescriptor(xml);
    for (const TIEFile_Entry& e : opened->sds->files) EXPECT_EQ(e.TypeName.find("SECRET"), std::string::npos);
    EXPECT_EQ(opened->error.find("SECRET"), std::string::npos);
  }
}

}  // namespace
