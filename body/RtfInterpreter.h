// The reading of an RTF document that de-encapsulation and rendering share:
// group state (character and paragraph properties, \htmlrtf, \ucN), the font
// and colour tables, destinations that are skipped, and the characters of
// the text as UTF-8 (\'hh in the code page of the font or of \ansicpg, \uN
// with its fallback characters skipped). What it reads it hands to a sink.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "body/RtfReader.h"

namespace ostrel::body {

enum class RtfDestination {
    Body,             // the document's text
    Skip,             // pictures, objects, tables of styles and the like
    FontTable,        // \fonttbl
    ColorTable,       // \colortbl
    HtmlTag,          // \*\htmltag of [MS-OXRTFEX] 2.1.3.1.2
    FieldInstruction, // \fldinst
    FieldResult,      // \fldrslt
    ListText,         // \pntext and \listtext: a list item's bullet or number
};

// Properties of a group, restored when the group ends.
struct trtfstate {
    RtfDestination Destination = RtfDestination::Body;
    bool Bold = false, Italic = false, Underline = false, Hidden = false;
    bool InTable = false; // \intbl: the paragraph is a table cell's
    bool HtmlRtf = false; // [MS-OXRTFEX] 2.1.3.1.3: RTF-only content
    int32_t FontSize = 0; // \fs, half-points; 0 when not given
    int32_t Color = 0;    // \cf, an index of the colour table; 0 is automatic
    int32_t Font = -1;    // \f; -1 when not given
    int32_t UnicodeSkip = 1;
    int32_t FieldId = 0; // which \field a group belongs to; 0 outside fields
};

enum class RtfBreak { Paragraph, ParagraphReset, Line, Tab, Cell, Row };

struct trtfcolor {
    uint8_t Red = 0, Green = 0, Blue = 0;
};

class trtfsink {
public:
    virtual ~trtfsink() = default;
    virtual void Text(std::string_view utf8, const trtfstate& state) = 0;
    virtual void Break(RtfBreak kind, const trtfstate& state) = 0;
    // Before the state of the group that ends is dropped.
    virtual void GroupEnd(const trtfstate& /*closing*/, const trtfstate& /*outer*/) {}
};

// What an RTF document says of itself in its header.
struct trtfheader {
    bool FromHtml = false; // \fromhtml1
    bool FromText = false; // \fromtext
};

// Reads the header's control words ([MS-OXRTFEX] 2.2.3.1 puts \fromhtml1 and
// \fromtext there) up to the first nested group or text.
trtfheader ReadRtfHeader(std::string_view rtf);

class RtfInterpreter {
public:
    explicit RtfInterpreter(std::string_view rtf) : reader_(rtf) {}
    void Run(trtfsink& sink);
    // The colour table, valid during and after Run.
    const std::vector<trtfcolor>& Colors() const { return colors_; }

private:
    void Token(const trtftoken& t);
    void Word(const trtftoken& t);
    bool DestinationWord(std::string_view name, bool starred);
    void Symbol(char c);
    void TableWord(const trtftoken& t);
    void TableText(std::string_view text);
    void Bytes(std::string_view bytes);
    // \uN is followed by \ucN fallback characters; named characters are not.
    void Unicode(int32_t value, bool withFallback);
    void Emit(std::string_view utf8);
    void Flush();
    void Open();
    void Close();
    uint32_t Codepage() const;
    trtfstate& State() { return stack_.back(); }

    RtfReader reader_;
    trtfsink* sink_ = nullptr;
    std::vector<trtfstate> stack_{trtfstate{}};
    size_t overflow_ = 0;   // groups opened beyond the depth limit
    int32_t skipChars_ = 0; // fallback characters after \uN still to skip
    bool starred_ = false;  // the previous token was \*
    bool ended_ = false;    // the outermost group has closed
    uint32_t highSurrogate_ = 0;
    uint32_t documentCodepage_ = 1252;
    int32_t defaultFont_ = -1;
    int32_t nextFieldId_ = 0;
    std::string pending_; // 8-bit bytes waiting for conversion
    uint32_t pendingCodepage_ = 0;
    std::map<int32_t, uint32_t> fontCodepages_;
    int32_t tableFont_ = -1;
    std::vector<trtfcolor> colors_;
    trtfcolor color_;
};

} // namespace ostrel::body
