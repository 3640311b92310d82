#pragma once
// Documents assembled by hand for the viewer's tests: a section of text
// lines (8 pixels a character, 20 a line, text from x 10) that draws,
// selects, copies and answers hit tests and links, and a builder that turns
// a tiny line language into such sections:
//   text            a line of the current paragraph
//   (empty line)    ends the paragraph (the next line starts a section)
//   @link URL TEXT  a line whose text is a link to URL
//   @tall N         a blank section N pixels tall
//   @id NAME        NAME leads to the next section
//   @title TEXT     the document's title
//   @page           a page-break marker
//   @throw          a section whose drawing raises
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include <QString>

#include "htmlview/layout/docroot.h"
#include "htmlview/layout/simplesections.h"
#include "htmlview/view/docbuilder.h"
#include "platform/canvas.h"
#include "platform/sysutils.h"

namespace handdoc {

using namespace htmlview;

constexpr int kCharW = 8;
constexpr int kLineH = 20;
constexpr int kLeft = 10;

class LinesSection : public TSectionBase {
 public:
  struct Link {
    int Line = 0;
    TUrlTarget Target;
  };
  LinesSection(TSectionListBase* root, int fixedHeight = 0) : TSectionBase(root), fixedHeight_(fixedHeight) {}

  std::vector<std::u16string> Lines;
  std::vector<Link> Links;
  int Draws = 0;
  std::vector<int> Widths;   // the width of every layout
  bool Throws = false;       // drawing raises
  static inline std::string FontName = "Times New Roman";

  int LineStart(int line) const {
    int p = 0;
    for (int i = 0; i < line; ++i) p += static_cast<int>(Lines[i].size()) + 1;
    return p;
  }
  int Layout(platform::Canvas& canvas, int x, int y, int xRef, int yRef, int aWidth, int aHeight, int blHt,
             IndentManager& iMgr, int& maxWidth, int& curs) override {
    Widths.push_back(aWidth);
    SectionHeight = fixedHeight_ ? fixedHeight_ : static_cast<int>(Lines.size()) * kLineH;
    const int h = TSectionBase::Layout(canvas, x, y, xRef, yRef, aWidth, aHeight, blHt, iMgr, maxWidth, curs);
    Len = LineStart(static_cast<int>(Lines.size()));
    curs += Len;
    int widest = 0;
    for (const auto& l : Lines) widest = std::max(widest, static_cast<int>(l.size()));
    maxWidth = kLeft + widest * kCharW;
    return h;
  }
  int Draw(platform::Canvas& canvas, TDrawContext& context, const platform::Rect& aRect,
           IndentManager& iMgr, int x, int xRef, int yRef) override {
    ++Draws;
    if (Throws) throw platform::Exception("section cannot draw");
    if (!MeetsClip(aRect)) return DrawTop + SectionHeight;
    for (int i = 0; i < static_cast<int>(Lines.size()); ++i) {
      // A printed page never cuts a line: one that would cross the page's
      // end ends the page above it.
      const int docTop = DrawTop + i * kLineH;
      if (context.Printing && docTop > Root->YOff && docTop < context.PageBottom &&
          docTop + kLineH > context.PageBottom)
        context.PageBottom = docTop;
      const int top = DrawTop - Root->YOff + i * kLineH;
      if (top >= aRect.bottom || top + kLineH <= aRect.top) continue;
      const int start = StartCurs + LineStart(i);
      const bool link = std::any_of(Links.begin(), Links.end(), [&](const Link& l) { return l.Line == i; });
      for (int c = 0; c < static_cast<int>(Lines[i].size()); ++c) {
        const int pos = start + c;
        const bool selected = pos >= Root->SelB && pos < Root->SelE;
        const int cx = x + kLeft + c * kCharW;
        if (selected) canvas.FillRect({cx, top, cx + kCharW, top + kLineH}, platform::clHighlight);
        canvas.brush.style = platform::BrushStyle::Clear;
        canvas.font.name = FontName;
        canvas.font.height = 16;
        canvas.SetTextColor(selected ? platform::clHighlightText : link ? platform::clBlue : platform::clBlack);
        canvas.TextOut(cx, top + 2, std::u16string(1, Lines[i][c]));
      }
    }
    return DrawTop + SectionHeight;
  }
  int CursorAt(platform::Canvas&, int x, int y, int& xr, int& yr, int& caretHt, bool& inText) override {
    if (Lines.empty() || y < SectionTop || y >= SectionTop + SectionHeight) return -1;
    const int line = std::min((y - SectionTop) / kLineH, static_cast<int>(Lines.size()) - 1);
    const int len = static_cast<int>(Lines[line].size());
    const int col = std::clamp((x - kLeft + kCharW / 2) / kCharW, 0, len);
    inText = x >= kLeft && x < kLeft + len * kCharW;
    xr = kLeft + col * kCharW;
    yr = SectionTop + line * kLineH;
    caretHt = kLineH;
    return StartCurs + LineStart(line) + col;
  }
  bool CharAt(int pos, char16_t& ch, TSectionBase*& obj) override {
    if (pos < StartCurs || pos >= StartCurs + Len) return false;
    int p = pos - StartCurs;
    for (const auto& l : Lines) {
      if (p < static_cast<int>(l.size())) {
        ch = l[p];
        obj = this;
        return true;
      }
      if (p == static_cast<int>(l.size())) {
        ch = u' ';
        obj = this;
        return true;
      }
      p -= static_cast<int>(l.size()) + 1;
    }
    return false;
  }
  void CopyText(SelTextCount& holder) override {
    for (int i = 0; i < static_cast<int>(Lines.size()); ++i) {
      const int start = StartCurs + LineStart(i);
      const int len = static_cast<int>(Lines[i].size());
      const int from = std::max(Root->SelB, start) - start;
      const int to = std::min(Root->SelE, start + len + 1) - start;
      if (to <= from) continue;
      if (to > len) {
        holder.AddTextCR(Lines[i].data() + from, len - from);
      } else {
        holder.AddText(Lines[i].data() + from, to - from);
      }
    }
  }
  bool CursorToXY(platform::Canvas*, int cursor, int& x, int& y) override {
    if (cursor < StartCurs || cursor >= StartCurs + Len) return false;
    int p = cursor - StartCurs;
    for (int i = 0; i < static_cast<int>(Lines.size()); ++i) {
      const int len = static_cast<int>(Lines[i].size());
      if (p <= len) {
        x = kLeft + p * kCharW;
        y = SectionTop + i * kLineH;
        return true;
      }
      p -= len + 1;
    }
    return false;
  }
  int DocPosOf(int sourcePos, bool) override {
    if (sourcePos < StartCurs || sourcePos > StartCurs + Len) return -1;
    return sourcePos;
  }
  unsigned HitLink(platform::Canvas&, int x, int y, std::unique_ptr<TUrlTarget>& url, TFormControlObj*&,
                   std::string&) override {
    if (y < SectionTop || y >= SectionTop + SectionHeight) return 0;
    const int line = (y - SectionTop) / kLineH;
    for (const Link& l : Links) {
      if (l.Line != line) continue;
      const int len = static_cast<int>(Lines[line].size());
      if (x < kLeft || x >= kLeft + len * kCharW) continue;
      url = std::make_unique<TUrlTarget>(l.Target);
      return guUrl;
    }
    return 0;
  }

 private:
  int fixedHeight_;
};

inline std::u16string U16(const std::string& s) { return QString::fromStdString(s).toStdU16String(); }

// The builder of the line language above.
inline void BuildHandDoc(TSectionList& doc, const TDocumentSource& source, TParsedDocument& parsed) {
  const std::vector<std::string> lines = SplitLines(*source.Text);
  std::unique_ptr<LinesSection> current;
  std::vector<std::string> pendingIds;
  int curs = 0;
  auto flush = [&] {
    if (!current) return;
    for (const std::string& id : pendingIds) doc.AddIDObject(id, current.get());
    pendingIds.clear();
    curs += current->LineStart(static_cast<int>(current->Lines.size()));
    doc.Add(std::move(current), 0);
  };
  for (const std::string& line : lines) {
    if (line.empty()) {
      flush();
      continue;
    }
    if (line.rfind("@title ", 0) == 0) {
      parsed.Title = line.substr(7);
      continue;
    }
    if (line.rfind("@id ", 0) == 0) {
      flush();
      pendingIds.push_back(line.substr(4));
      continue;
    }
    if (line == "@throw") {
      flush();
      current = std::make_unique<LinesSection>(&doc);
      current->Lines.push_back(u"boom");
      current->Throws = true;
      flush();
      continue;
    }
    if (line == "@page") {
      flush();
      doc.Add(std::make_unique<TPage>(&doc), 0);
      continue;
    }
    if (line.rfind("@tall ", 0) == 0) {
      flush();
      current = std::make_unique<LinesSection>(&doc, std::stoi(line.substr(6)));
      flush();
      continue;
    }
    if (!current) current = std::make_unique<LinesSection>(&doc);
    if (line.rfind("@link ", 0) == 0) {
      const std::string rest = line.substr(6);
      const size_t sp = rest.find(' ');
      const std::string url = rest.substr(0, sp);
      const std::string text = sp == std::string::npos ? url : rest.substr(sp + 1);
      LinesSection::Link link;
      link.Line = static_cast<int>(current->Lines.size());
      const int start = curs + current->LineStart(link.Line);
      link.Target.Assign(url, "", nullptr, start);
      link.Target.TutLast = start + static_cast<int>(text.size());
      current->Links.push_back(link);
      current->Lines.push_back(U16(text));
      continue;
    }
    current->Lines.push_back(U16(line));
  }
  flush();
}

}  // namespace handdoc
