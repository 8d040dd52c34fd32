// The resource descriptor: an XML document whose root's children name the resources.
//
// libxml2 parses from memory and honours the document's declared encoding (UTF-8,
// UTF-16 with a byte-order mark, ISO-8859-1, and windows-1252 through the program's
// own code page, whose five undefined bytes stay control characters where iconv
// would refuse the document). Never
// from the network, never an external DTD or entity: external entities go to a
// loader that refuses them. Internal entities are substituted; libxml2's own
// amplification check stops an expansion bomb at once with its error text.
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <climits>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "CodePage.h"
#include "Exceptions.h"
#include "Format.h"
#include "TavrelLib.h"
#include "TavrelLib_Stages.h"

namespace tavrel {

namespace {

struct DocDeleter {
  void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
struct ContextDeleter {
  void operator()(xmlParserCtxt* ctxt) const { xmlFreeParserCtxt(ctxt); }
};

xmlParserInputPtr RefuseExternalEntity(const char*, const char*, xmlParserCtxtPtr) { return nullptr; }
void IgnoreGenericError(void*, const char*, ...) {}

// windows-1252 to UTF-8 for libxml2: every byte one character, as for archive text.
int Windows1252ToUtf8(unsigned char* out, int* outLength, const unsigned char* in, int* inLength) {
  int read = 0, written = 0;
  std::string character;
  while (read < *inLength) {
    character.clear();
    AppendAnsiChar(character, in[read]);
    if (written + static_cast<int>(character.size()) > *outLength) break;
    std::memcpy(out + written, character.data(), character.size());
    written += static_cast<int>(character.size());
    ++read;
  }
  *inLength = read;
  *outLength = written;
  return written;
}

void PrepareLibxml() {
  static std::once_flag once;
  std::call_once(once, [] {
    xmlInitParser();
    xmlSetExternalEntityLoader(RefuseExternalEntity);
    // Registered handlers are found before iconv's; the aliases lead to this one.
    xmlNewCharEncodingHandler("WINDOWS-1252", Windows1252ToUtf8, nullptr);
    for (const char* alias : {"CP1252", "MS-ANSI", "X-CP1252"}) xmlAddEncodingAlias("WINDOWS-1252", alias);
  });
  // Encoding failures bypass the context's error switch; keep them off stderr.
  // (Per thread in libxml2, hence on every call.)
  xmlSetGenericErrorFunc(nullptr, IgnoreGenericError);
}

// libxml2 goes on after the first fatal error and reports follow-on ones; the
// first one names the real fault.
struct FirstError {
  std::string message;
  int line = 0;
};

void KeepFirstFatalError(void* userData, xmlErrorPtr error) {
  auto* first = static_cast<FirstError*>(static_cast<xmlParserCtxt*>(userData)->_private);
  if (first->message.empty() && error && error->level == XML_ERR_FATAL && error->message) {
    first->message = error->message;
    first->line = error->line;
  }
}

std::string ParserErrorText(xmlParserCtxt* ctxt, const FirstError& first) {
  const xmlError* last = xmlCtxtGetLastError(ctxt);
  std::string message = !first.message.empty()       ? first.message
                        : last && last->message      ? last->message
                                                     : "Document is not well-formed";
  while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) message.pop_back();
  const int line = !first.message.empty() ? first.line : last ? last->line : 0;
  return Format("XML parse error: %s (line %d)", message.c_str(), line);
}

// Whitespace between elements forms no node.
bool IsBlankText(const xmlNode* node) { return node->type == XML_TEXT_NODE && xmlIsBlankNode(node); }

std::string QualifiedName(const xmlNode* node) {
  std::string name = reinterpret_cast<const char*>(node->name);
  if (node->ns && node->ns->prefix) name = reinterpret_cast<const char*>(node->ns->prefix) + (":" + name);
  return name;
}

// The element's text: nothing, or one piece of character data or one CDATA section.
std::string ElementText(const xmlNode* element, const char* name) {
  const xmlNode* text = nullptr;
  for (const xmlNode* child = element->children; child; child = child->next) {
    if (IsBlankText(child)) continue;
    const bool isText = child->type == XML_TEXT_NODE || child->type == XML_CDATA_SECTION_NODE;
    if (!isText || text) {
      throw Exception(Format("Element \"%s\" enth\xC3\xA4lt keinen einzelnen Textknoten", name));
    }
    text = child;
  }
  return text && text->content ? reinterpret_cast<const char*>(text->content) : "";
}

// The text of the first child element with exactly this name; empty when there
// is none (and for children of the root that are not elements).
std::string ChildText(const xmlNode* resource, const char* name) {
  if (resource->type != XML_ELEMENT_NODE) return "";
  for (const xmlNode* child = resource->children; child; child = child->next) {
    if (child->type == XML_ELEMENT_NODE && QualifiedName(child) == name) return ElementText(child, name);
  }
  return "";
}

}  // namespace

void ReadDescriptor(TIEFile& f) {
  PrepareLibxml();
  const int64_t size = f.xmlstr.Size();
  if (size > INT_MAX) {
    throw Exception(Format("XML parse error: document too large (%lld bytes)", static_cast<long long>(size)));
  }
  std::unique_ptr<xmlParserCtxt, ContextDeleter> ctxt(xmlNewParserCtxt());
  if (!ctxt) throw std::bad_alloc();
  FirstError firstError;
  ctxt->_private = &firstError;
  ctxt->sax->serror = KeepFirstFatalError;
  const char* bytes = size > 0 ? reinterpret_cast<const char*>(f.xmlstr.Memory()) : "";
  const int options = XML_PARSE_NONET | XML_PARSE_NOENT | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
  std::unique_ptr<xmlDoc, DocDeleter> doc(
      xmlCtxtReadMemory(ctxt.get(), bytes, static_cast<int>(size), nullptr, nullptr, options));
  const xmlNode* root = doc ? xmlDocGetRootElement(doc.get()) : nullptr;
  if (!root || !ctxt->wellFormed) throw Exception(ParserErrorText(ctxt.get(), firstError));

  std::vector<const xmlNode*> resources;
  for (const xmlNode* child = root->children; child; child = child->next) {
    if (!IsBlankText(child)) resources.push_back(child);
  }
  // Built aside, so a descriptor that fails half-way leaves no entries behind.
  std::vector<TIEFile_Entry> entries(resources.size());
  for (size_t i = 0; i < resources.size(); ++i) {
    entries[i].TypeName = ChildText(resources[i], "TypeName");
    entries[i].SourceDataDescription = ChildText(resources[i], "SourceDataDescription");
  }
  f.files = std::move(entries);
}

}  // namespace tavrel
