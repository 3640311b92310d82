#pragma once
// The layout dump: a deterministic text picture of a laid-out document, one
// line per box, so that a layout test compares a page with a dump written by
// hand and a change in layout shows as a readable diff.
//
// Every kind of section writes its own lines through TSectionBase::Dump and
// the small writer below; containers (blocks, table cells) write their own
// line, nest one level and hand their content to DumpCell. The notation is
// shared through the writer's helpers so that every kind reads alike:
//
//   section 0,0 400x40 doc 0..12
//     line y=0 h=20 base=16 x=0..80
//       run 0..8 x=0..80 "aaa bbb " font "Fixed Sans" 20 color #000000
//     line y=20 h=20 base=36 x=0..30
//       run 8..11 x=0..30 "cc " font "Fixed Sans" 20 color #000000
//
// Coordinates are document pixels; "a..b" ranges are half open. Run ranges
// are offsets in the HTML source; "doc" ranges are document positions.
#include <string>
#include <string_view>

#include "htmlview/style/stylecodes.h"
#include "platform/colors.h"

namespace htmlview {

struct TMyFont;
class TCellBasic;

class LayoutDumpWriter {
 public:
  // Writes one line at the current depth (two spaces per level).
  void Line(std::string_view text);
  void Indent() { ++depth_; }
  void Outdent() {
    if (depth_ > 0) --depth_;
  }
  // Lines written while it lives are one level deeper.
  class Nested {
   public:
    explicit Nested(LayoutDumpWriter& writer) : writer_(writer) { writer_.Indent(); }
    ~Nested() { writer_.Outdent(); }
    Nested(const Nested&) = delete;
    Nested& operator=(const Nested&) = delete;

   private:
    LayoutDumpWriter& writer_;
  };
  const std::string& Text() const { return text_; }

  // --- The shared notation.
  // "x,y wxh"
  static std::string Rect(int x, int y, int width, int height);
  // "a..b"
  static std::string Range(int from, int to);
  // "#rrggbb" (system colours resolved through the fixed table); "none" for
  // no colour.
  static std::string Colour(platform::Colour colour);
  // Double-quoted UTF-8: quote and backslash escaped, a forced break as
  // <br>, an object placeholder as <img> or <ctl>, a no-break space as
  // <nbsp>, a tab as \t and other control characters as \uXXXX.
  static std::string Quoted(std::u16string_view text);
  static std::string Quoted(std::string_view utf8);
  // font "Family" 20 [bold|light] [italic] [underline] [strike] color #rrggbb [bg #rrggbb]
  // (the size is the em in pixels).
  static std::string Font(const TMyFont& font);
  // The alignment codes by name: none, top, middle, baseline, bottom, left,
  // right, justify, sub, super.
  static std::string Align(TVAlign align);

 private:
  std::string text_;
  int depth_ = 0;
};

// The sections of a cell, each through its own Dump, at the writer's depth.
void DumpCell(LayoutDumpWriter& writer, const TCellBasic& cell);
// The whole dump of a laid-out cell (usually the document root).
std::string DumpLayout(const TCellBasic& cell);

}  // namespace htmlview
