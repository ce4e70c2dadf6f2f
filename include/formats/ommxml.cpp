// OMM in XML, through expat: an <ndm> root holding <omm> elements, or one
// <omm>; each value stands in an innermost element named by its keyword.
// Written as CelesTrak writes its GP files in XML (NDM/XML 2.0), the heights
// in the data's user-defined parameters.
#include <expat.h>

#include <cstring>
#include <string_view>

#include "formats/omm.h"
#include "formats/readers.h"

namespace morvel::readers {

namespace {

// XML through expat: streamed in blocks, the parser suspended at the end of
// each <omm> that gives an accepted set and resumed on the next call.
struct xmlFile final : elfile::reader {
    xmlFile(std::FILE* fp, messageSink& sink, std::string_view file);
    ~xmlFile() override { XML_ParserFree(parser); }
    element next() override;

    static void XMLCALL onStart(void* self, const XML_Char* name, const XML_Char** attrs);
    static void XMLCALL onEnd(void* self, const XML_Char* name);
    static void XMLCALL onText(void* self, const XML_Char* s, int n);

    std::FILE* fp;
    XML_Parser parser;
    char block[1 << 16];
    bool last = false;  // the block fed is the file's last
    bool suspended = false;
    bool done = false;
    bool got = false;  // `result` holds an accepted set
    element result{};
    bool inOmm = false;
    omm::key leaf = omm::key::other;
    bool collecting = false;
    char value[256];
    int valueLen = 0;
    long records = 0;
    omm::record rec;
};

xmlFile::xmlFile(std::FILE* f, messageSink& sink, std::string_view file)
    : fp(f), parser(XML_ParserCreate(nullptr)), rec(sink, file) {
    XML_SetUserData(parser, this);
    XML_SetElementHandler(parser, onStart, onEnd);
    XML_SetCharacterDataHandler(parser, onText);
}

void XMLCALL xmlFile::onStart(void* self, const XML_Char* name, const XML_Char**) {
    auto* x = static_cast<xmlFile*>(self);
    const std::string_view n(name);
    if (n == "omm") {
        x->inOmm = true;
        x->rec.begin(++x->records, static_cast<long>(XML_GetCurrentLineNumber(x->parser)));
        return;
    }
    // Values stand in the innermost elements; a parent ends any value.
    x->collecting = x->inOmm;
    x->leaf = omm::keyOf(n);
    x->valueLen = 0;
}

void XMLCALL xmlFile::onText(void* self, const XML_Char* s, int n) {
    auto* x = static_cast<xmlFile*>(self);
    if (!x->collecting || x->leaf == omm::key::other) return;
    const int room = static_cast<int>(sizeof x->value) - x->valueLen;
    const int take = n < room ? n : room;
    std::memcpy(x->value + x->valueLen, s, static_cast<std::size_t>(take));
    x->valueLen += take;
}

void XMLCALL xmlFile::onEnd(void* self, const XML_Char* name) {
    auto* x = static_cast<xmlFile*>(self);
    const std::string_view n(name);
    if (n == "omm") {
        x->inOmm = false;
        x->collecting = false;
        const element el = x->rec.finish();
        if (el.if_valid == 1) {
            x->result = el;
            x->got = true;
            XML_StopParser(x->parser, XML_TRUE);
        }
        return;
    }
    if (x->collecting && x->leaf != omm::key::other) {
        x->rec.keep(x->leaf, std::string_view(x->value, static_cast<std::size_t>(x->valueLen)));
    }
    x->collecting = false;
}

element xmlFile::next() {
    while (!got && !done) {
        XML_Status st;
        if (suspended) {
            st = XML_ResumeParser(parser);
        } else {
            const std::size_t n = std::fread(block, 1, sizeof block, fp);
            last = n < sizeof block;
            st = XML_Parse(parser, block, static_cast<int>(n), last);
        }
        suspended = st == XML_STATUS_SUSPENDED;
        if (st == XML_STATUS_ERROR) {
            const XML_Error e = XML_GetErrorCode(parser);
            const long line = static_cast<long>(XML_GetCurrentLineNumber(parser));
            // At the end of the file, an element left open is a cut.
            if (last && (e == XML_ERROR_NO_ELEMENTS || e == XML_ERROR_UNCLOSED_TOKEN ||
                         e == XML_ERROR_PARTIAL_CHAR || e == XML_ERROR_UNCLOSED_CDATA_SECTION)) {
                omm::reportCut(rec.sink(), rec.file(), line);
            } else {
                const char* why = XML_ErrorString(e);
                reportf(rec.sink(), {messageKind::fault, rec.file(), line, 0, {}, "XML", why, {}},
                        "XML fault at line %ld: %s\n", line, why);
            }
            done = true;
        } else if (!suspended && last) {
            done = true;
        }
    }
    if (got) {
        got = false;
        return result;
    }
    return element{};
}

}  // namespace

std::unique_ptr<elfile::reader> xml(std::FILE* fp, messageSink& sink, std::string_view file) {
    return std::make_unique<xmlFile>(fp, sink, file);
}

}  // namespace morvel::readers

namespace morvel::writers {

namespace {

void xmlHead(recordText& out) {
    out.put(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
        "<ndm xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
        "xsi:noNamespaceSchemaLocation=\"https://sanaregistry.org/r/ndmxml_unqualified/"
        "ndmxml-2.0.0-master-2.0.xsd\">\r\n");
}

// The elements of the blocks, in the order of omm::section; the mean
// elements and the TLE parameters stand inside <data>.
constexpr std::string_view blockName[] = {"metadata", "meanElements", "tleParameters"};

void tag(recordText& out, bool closing, std::string_view name) {
    out.put(closing ? "</" : "<");
    out.put(name);
    out.put('>');
}

void xmlRecord(recordText& out, const omm::texts& t, long) {
    out.put("<omm id=\"CCSDS_OMM_VERS\" version=\"2.0\">\r\n"
            "<header><CREATION_DATE/><ORIGINATOR/></header><body><segment>");
    int block = -1;
    for (int i = 0; i < omm::inMessageOrder.count; ++i) {
        const omm::field& f = omm::fields[static_cast<int>(omm::inMessageOrder.at[i])];
        const int part = static_cast<int>(f.part);
        if (part != block) {
            if (block >= 0) tag(out, true, blockName[block]);
            if (block == static_cast<int>(omm::section::metadata)) tag(out, false, "data");
            tag(out, false, blockName[part]);
            block = part;
        }
        tag(out, false, f.keyword);
        // The name may hold the characters of markup.
        for (char c : t[f.k]) {
            if (c == '&') {
                out.put("&amp;");
            } else if (c == '<') {
                out.put("&lt;");
            } else if (c == '>') {
                out.put("&gt;");
            } else {
                out.put(c);
            }
        }
        tag(out, true, f.keyword);
    }
    tag(out, true, blockName[block]);
    tag(out, false, "userDefinedParameters");
    for (int i = 0; i < omm::userCount; ++i) {
        out.put("<USER_DEFINED parameter=\"");
        out.put(omm::userFields[i].parameter);
        out.put("\">");
        out.put(t.user(i));
        out.put("</USER_DEFINED>");
    }
    out.put("</userDefinedParameters></data></segment></body></omm>\r\n");
}

void xmlTail(recordText& out) { out.put("</ndm>\r\n"); }

}  // namespace

const ommWriter::encoding xml{xmlHead, xmlRecord, xmlTail};

}  // namespace morvel::writers
