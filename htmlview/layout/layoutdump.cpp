#include "htmlview/layout/layoutdump.h"

#include <cstdio>

#include "htmlview/layout/cells.h"
#include "htmlview/layout/textsection.h"
#include "htmlview/style/styleprops.h"
#include "platform/fonts.h"

namespace htmlview {

void LayoutDumpWriter::Line(std::string_view text) {
  text_.append(static_cast<size_t>(depth_) * 2, ' ');
  text_.append(text);
  text_.push_back('\n');
}

std::string LayoutDumpWriter::Rect(int x, int y, int width, int height) {
  return std::to_string(x) + "," + std::to_string(y) + " " + std::to_string(width) + "x" +
         std::to_string(height);
}

std::string LayoutDumpWriter::Range(int from, int to) {
  return std::to_string(from) + ".." + std::to_string(to);
}

std::string LayoutDumpWriter::Colour(platform::Colour colour) {
  if (colour == platform::clNone || colour == NoColorValue) return "none";
  const platform::Colour rgb = platform::ColourToRgb(colour);
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "#%02x%02x%02x", platform::RedOf(rgb),
                platform::GreenOf(rgb), platform::BlueOf(rgb));
  return buffer;
}

std::string LayoutDumpWriter::Quoted(std::u16string_view text) {
  std::u16string body;
  for (char16_t ch : text) {
    switch (ch) {
      case u'"': body += u"\\\""; break;
      case u'\\': body += u"\\\\"; break;
      case u'\t': body += u"\\t"; break;
      case kBreakChar: body += u"<br>"; break;
      case kImageChar: body += u"<img>"; break;
      case kFormControlChar: body += u"<ctl>"; break;
      case kNoBreakSpace: body += u"<nbsp>"; break;
      default:
        if (ch < 0x20 || ch == 0x7F) {
          char buffer[8];
          std::snprintf(buffer, sizeof buffer, "\\u%04X", static_cast<unsigned>(ch));
          for (const char* p = buffer; *p; ++p) body.push_back(static_cast<char16_t>(*p));
        } else {
          body.push_back(ch);
        }
    }
  }
  return "\"" + platform::Utf16ToUtf8(body) + "\"";
}

std::string LayoutDumpWriter::Quoted(std::string_view utf8) {
  return Quoted(platform::Utf8ToUtf16(utf8));
}

std::string LayoutDumpWriter::Font(const TMyFont& font) {
  std::string s = "font \"" + font.name + "\" " + std::to_string(platform::FontPixelSize(font));
  if (font.weight >= 600) s += " bold";
  else if (font.weight < 400) s += " light";
  if (font.italic) s += " italic";
  if (font.underline) s += " underline";
  if (font.strikeOut) s += " strike";
  s += " color " + Colour(font.color);
  if (font.BgColor != NoColorValue && font.BgColor != platform::clNone)
    s += " bg " + Colour(font.BgColor);
  return s;
}

std::string LayoutDumpWriter::Align(TVAlign align) {
  switch (align) {
    case TVAlign::None: return "none";
    case TVAlign::Top: return "top";
    case TVAlign::Middle: return "middle";
    case TVAlign::Baseline: return "baseline";
    case TVAlign::Bottom: return "bottom";
    case TVAlign::Left: return "left";
    case TVAlign::Right: return "right";
    case TVAlign::Justify: return "justify";
    case TVAlign::Sub: return "sub";
    case TVAlign::Super: return "super";
    default: return "align" + std::to_string(static_cast<int>(align));
  }
}

void DumpCell(LayoutDumpWriter& writer, const TCellBasic& cell) {
  for (int i = 0; i < cell.Count(); ++i) cell[i]->Dump(writer);
}

std::string DumpLayout(const TCellBasic& cell) {
  LayoutDumpWriter writer;
  DumpCell(writer, cell);
  return writer.Text();
}

}  // namespace htmlview
