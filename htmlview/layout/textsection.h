#pragma once
// The text section: one run of inline content between block boundaries. Its
// characters live in one wide buffer styled by font runs; inline images,
// panels and form controls each stand in the buffer as one placeholder
// character. The parser fills it, Finish cleans it, and Layout breaks it into
// lines at the width the cell offers, flowing around floats through the
// cell's float manager. Every laid-out line is a LineRec holding what drawing
// needs.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "htmlview/layout/fontruns.h"
#include "htmlview/layout/formcontrols.h"
#include "htmlview/layout/imageobj.h"
#include "htmlview/layout/sections.h"
#include "htmlview/style/styleprops.h"
#include "htmlview/parse/viewutils.h"
#include "htmlview/parse/vocabulary.h"

namespace htmlview {

class TAttributeList;
class TPanelObj;

// Placeholder and special characters of the buffer.
constexpr char16_t kFormControlChar = 0x0002;
constexpr char16_t kImageChar = 0x0004;
constexpr char16_t kBreakChar = 0x0008;       // a forced line break (BR)
constexpr char16_t kSoftHyphen = 0x00AD;
constexpr char16_t kNoBreakSpace = 0x00A0;
constexpr char16_t kFirstIdeographic = 0x3000;

// Where a line may break, one byte for every character of a text section.
// The character values are what the codes were before they had names.
enum class TBreak : char {
  Normal = 'y',       // at the usual places: spaces, hyphens, objects, ideographs
  Never = 'n',        // nowhere (NOBR, NOWRAP, preformatted; a control and its button)
  After = 'a',        // after this character in any case (WBR)
  SoftHyphen = 's',   // after this character, with a dash drawn there
};

// The break codes of a section, one byte for each character. A string holds
// them: its inline room keeps a short section's codes without an allocation.
class TBreakCodes {
 public:
  TBreak operator[](int i) const { return static_cast<TBreak>(codes_[i]); }
  void Set(int i, TBreak code) { codes_[i] = static_cast<char>(code); }
  void SetLast(TBreak code) { codes_.back() = static_cast<char>(code); }
  void Append(int count, TBreak code) { codes_.append(count, static_cast<char>(code)); }
  void Erase(int i) { codes_.erase(i, 1); }
  int Size() const { return static_cast<int>(codes_.size()); }
  bool Empty() const { return codes_.empty(); }
  // A finished section appends no more: its codes need no room to grow.
  void ShrinkToFit() { codes_.shrink_to_fit(); }
  void Reserve(int n) { codes_.reserve(static_cast<size_t>(n)); }
  size_t Capacity() const { return codes_.capacity(); }

 private:
  std::string codes_;
};

// The source position of every character while a section fills, kept as
// the places where they stop being consecutive: a long text is mostly one
// stretch of the source and costs no int per character. A finished section
// has no use for them: it keeps only this pointer.
class TFillPositions {
 public:
  bool empty() const { return size() == 0; }
  size_t size() const { return fill_ ? static_cast<size_t>(fill_->size) : 0; }
  // Room for places (not for characters).
  size_t capacity() const { return fill_ ? fill_->places.capacity() : 0; }
  int operator[](size_t i) const;
  int back() const { return (*this)[size() - 1]; }
  void push_back(int pos);
  // n characters from source position first on.
  void AppendStretch(int first, int n);
  void EraseAt(size_t i);
  // The places of the first count characters.
  std::vector<IndexObj> Places(int count) const;
  // Frees them all.
  void Release() { fill_.reset(); }

 private:
  struct Fill {
    std::vector<IndexObj> places;   // the first at character 0
    int size = 0;
    int last = 0;                     // the last character's position
  };
  // The place holding character i.
  size_t PlaceOf(int i) const;
  std::unique_ptr<Fill> fill_;
};

// The places where the source positions stop being consecutive, in
// character order. Most sections are one stretch of the source: their one
// place is kept without an allocation.
class TSourceIndex {
 public:
  bool empty() const { return first_.Pos < 0; }
  size_t size() const { return empty() ? 0 : more_ ? static_cast<size_t>(more_[0].Pos) + 1 : 1; }
  const IndexObj& operator[](size_t i) const { return i == 0 ? first_ : more_[i]; }
  const IndexObj& front() const { return first_; }
  void Assign(const std::vector<IndexObj>& items);
  void clear() { Assign({}); }

 private:
  IndexObj first_{-1, 0};   // Pos -1: no places
  // The places after the first, behind an entry whose Pos counts them.
  std::unique_ptr<IndexObj[]> more_;
};

// One inline border crossing one line: the bordered characters, whether the
// element began before the line or goes on after it (that side is open: no
// padding and no edge), and the element's converted box.
struct BorderRec {
  int BStart = 0, BEnd = 0;          // first and last character index in the section
  bool OpenStart = false, OpenEnd = false;
  TMarginArray MargArray{};
};

struct LineRec {
  const char16_t* Start = nullptr;   // first character in the section's buffer
  int SpaceBefore = 0, SpaceAfter = 0;
  int LineHt = 0;                    // tallest font height (0: a clearance line)
  int DrawHeight = 0;
  int Ln = 0;                        // characters
  int Descent = 0;
  int LineIndent = 0;                // x of the first character relative to the cell's X
  int DrawX = 0, DrawY = 0;
  int Width = 0;
  int Spaces = 0, Extra = 0;         // justification
  // Built by the first draw of the line when the document has inline
  // borders (none for most lines: made only then).
  std::unique_ptr<std::vector<BorderRec>> BorderList;
  bool FirstDraw = false;
  bool Shy = false;                  // ends at a soft hyphen: a "-" is drawn after it
};

// The laid-out lines of a section, in one array: most sections have a line
// or two, and a page of a great many of them would pay an allocation and a
// pointer for every line.
class TLineList {
 public:
  TLineList() = default;
  ~TLineList() { Reallocate(0); }
  TLineList(const TLineList&) = delete;
  TLineList& operator=(const TLineList&) = delete;

  int Count() const { return static_cast<int>(count_); }
  LineRec* operator[](int i) { return &items_[i]; }
  const LineRec* operator[](int i) const { return &items_[i]; }
  // The added line (valid until the next Add).
  LineRec* Add(LineRec line);
  void Clear();
  // A layout is complete: the reserve its growth left goes.
  void Finish() { Reallocate(count_); }
  const LineRec* begin() const { return items_; }
  const LineRec* end() const { return items_ + count_; }

 private:
  // Room for capacity lines (the lines beyond it go).
  void Reallocate(uint32_t capacity);
  LineRec* items_ = nullptr;
  uint32_t count_ = 0;
  uint32_t capacity_ = 0;
};

// One piece of a laid-out line as drawing walks it: a stretch of text in one
// font run, or one object. x is relative to the line's first character.
struct LinePiece {
  enum Kind { TextPiece, ImagePiece, FloatPiece, ControlPiece };
  Kind kind = TextPiece;
  int Start = 0;   // character index in the section
  int Count = 0;
  int X = 0;
  int Width = 0;
  TFontObj* Run = nullptr;             // the font run at Start
  TFloatingObj* Object = nullptr;      // Image, Float
  TFormControlObj* Control = nullptr;  // Control
};

class TSection : public TSectionBase {
 public:
  // An empty section whose first run has font (with title).
  TSection(TSectionListBase* root, const TMyFont& font, TTextAlign justify = TTextAlign::Left);
  // From an element's style: the first run from its font and title, a link
  // run when linkTarget has a URL; line height, text indent (only when
  // indentAllowed), text-align, word-wrap and clear from the style, CLEAR
  // from the attributes.
  TSection(TSectionListBase* root, const TAttributeList* attributes, TProperties& prop,
           const TUrlTarget* linkTarget, bool indentAllowed);
  ~TSection() override;

  int SectionNumber = 0;
  int LastProgressCycle = 0;
  int LineHeight = -1;
  std::u16string Text;
  // The first character of Text.
  const char16_t* Buff() const { return Text.data(); }
  TBreakCodes Brk;                   // per character (+1 when finished)
  TFillPositions SourcePositions;    // while filling
  TFontList Fonts;
  // The inline objects and the form controls (the controls stay the
  // document's). Most sections hold neither: the lists are made with the
  // first object.
  const TImageObjList& Images() const {
    static const TImageObjList none;
    return objects_ ? objects_->Images : none;
  }
  const TFormControlList& FormControls() const {
    static const TFormControlList none;
    return objects_ ? objects_->FormControls : none;
  }
  TSourceIndex SIndexList;
  TLineList Lines;

 private:
  struct Objects;
  std::unique_ptr<Objects> objects_;   // made with the first object or control

 public:
  TTextAlign Justify = TTextAlign::Left;
  TClear ClearAttr = TClear::None;
  // A named anchor stands here: the section is kept even when empty.
  bool HoldsAnchor = false;
  bool BreakWord = false;
  int FirstLineIndent = 0;
  int MinWidthCache = 0, MaxWidthCache = 0;

  // What the parser's state says while the section fills: no-break (a cell
  // with NOWRAP) and the text transform. Small caps
  // follow the font-variant of the style the runs are made from. (The small
  // fields of a section stand together: a page of a great many small
  // elements keeps a section for each.)
  bool NoBreak = false;
  TTextTransform TextTransform = TTextTransform::None;
  bool SmallCaps = false;
  uint8_t FirstLineIndentPct = 0;   // 0 to 90

  // A preformatted section keeps its lines as they come.
  virtual bool IsPreformatted() const { return false; }

  // --- Filling
  void AddChar(char16_t ch, int sourcePos);
  // positions: the source position of every character (missing ones follow
  // the last one given).
  void AddText(std::u16string_view token, const std::vector<int>& positions);
  // The same with the positions as the places where they stop being
  // consecutive, taking the token over when it is the section's first text.
  void TakeText(std::u16string&& token, const std::vector<IndexObj>& places);
  // A new run from the current length (the last run changes when it starts
  // there); sscript Sub, Super or None.
  TFontObj* ChangeFont(const TMyFont& font, TVAlign sscript = TVAlign::None);
  // The same from a style: title, link fonts inside a link, sub/superscript.
  TFontObj* ChangeFont(TProperties& prop);
  // A link starts (startsLink: the HREF symbol) or ends here.
  TFontObj* SetLink(bool startsLink, TProperties& prop, const TUrlTarget* linkTarget);
  // An image or panel at the current length.
  TFloatingObj* AddObject(std::unique_ptr<TFloatingObj> obj, int sourcePos);
  // An IMG (or similar) element's image, a panel: added as objects.
  TImageObj* AddImage(const TAttributeList& attributes, int sourcePos);
  TPanelObj* AddPanel(const TAttributeList& attributes, int sourcePos);
  // The control of an INPUT, SELECT or TEXTAREA element in form (null: an
  // implicit form) with its placeholder: an image input adds its image, a
  // file input its edit and browse button (no break between them), a hidden
  // input nothing. Null when the document keeps no forms.
  TFormControlObj* AddFormControl(HtmlSymbol tag, const TAttributeList& attributes, ThtmlForm* form,
                                  int sourcePos, TProperties* prop);
  // A control at the current length (the control stays its owner's).
  void AddFormControlObj(TFormControlObj* control, int sourcePos);
  void MarkBreakAfterLast();
  void Finish(int endSourcePos);
  bool Finished() const { return finished_; }

  // --- Layout
  bool CloseForCell(int tagIndex) override;
  void WidthRange(platform::Canvas& canvas, int& minWidth, int& maxWidth) override;
  int Layout(platform::Canvas& canvas, int x, int y, int xRef, int yRef, int aWidth, int aHeight,
             int blHt, IndentManager& iMgr, int& maxWidth, int& curs) override;
  int SourcePosOf(int pos) override;
  void Dump(LayoutDumpWriter& writer) const override;

  // --- Drawing and positions (textsectiondraw.cpp). Points are in document
  // coordinates; lines remember where they were last drawn.
  int Draw(platform::Canvas& canvas, TDrawContext& context, const platform::Rect& aRect,
           IndentManager& iMgr, int x, int xRef, int yRef) override;
  unsigned HitLink(platform::Canvas& canvas, int x, int y, std::unique_ptr<TUrlTarget>& url,
                   TFormControlObj*& formControl, std::string& title) override;
  bool HitObject(int x, int y, TFloatingObj*& obj, int& ix, int& iy) override;
  int CursorAt(platform::Canvas& canvas, int x, int y, int& xr, int& yr, int& caretHt,
               bool& inText) override;
  int FindForward(int from, const std::u16string& text, bool matchCase) override;
  int FindBackward(int from, const std::u16string& text, bool matchCase) override;
  int DocPosOf(int sourcePos, bool prev) override;
  bool CursorToXY(platform::Canvas* canvas, int cursor, int& x, int& y) override;
  bool CharAt(int pos, char16_t& ch, TSectionBase*& obj) override;
  void CopyText(SelTextCount& holder) override;

  // Where the last layout put the section: the cell's X, the width offered
  // and the float manager's left edge (floats are placed from it). The
  // width and the edge are read only by the layout dump, which shows the
  // box offered and where floats went.
  int LayoutX = 0;
  int LayoutWidth = 0;
  int LayoutLfEdge = 0;

  // --- The line geometry every reader shares (drawing, hit tests, cursor
  // positions, the dump): text at its font's integer advances, objects at
  // their width with both spaces, floating objects taking no room, and the
  // justification of the line spread over its gaps.
  std::vector<int> LineAdvances(int line) const;
  std::vector<LinePiece> LinePieces(int line) const;
  // A walk along that geometry, so that a reader of a long line measures
  // only as far as it needs and keeps only the advances it asks for: the
  // character the walk has come to, its x from the line's start, and the
  // justification still to spread over the gaps ahead.
  struct LineWalk {
    int Index = 0;   // character index in the section
    int X = 0;
    int GapsLeft = 0, ExtraLeft = 0;
  };
  LineWalk StartWalk(int line) const;
  // stop(x, advance) halts a walk before the first character it answers
  // true for.
  using WalkStop = std::function<bool(int x, int advance)>;
  // Moves the walk on to index to (at most the line's end), appending the
  // advances it passes to out when given.
  void Walk(int line, LineWalk& walk, int to, std::vector<int>* out,
            const WalkStop& stop = {}) const;
  // Top of a line (its SpaceBefore included) relative to the section top.
  int LineOffset(int line) const;
  // Index of the line's first character.
  int LineStartIndex(int line) const;
  // The source position of a character index, or -1.
  int SourcePosOfIndex(int index) const;

  // Width of n characters from start (trailing breaks and spaces removed
  // when asked); objects with their spaces, text runs plus the overhang.
  int FindTextWidth(int start, int n, bool removeSpaces) const;
  // The same with the overhang subtracted (hit testing).
  int FindTextWidthA(int start, int n) const;
  // What fits on a line: how many characters, and the height of the floats
  // placed at the line's start (they reach below the line, not push it).
  struct LineFit {
    int Count = 0;
    int FloatHeight = 0;
  };
  // How many of the nn characters from start fit on a line at y. Floats
  // that open the line are placed at once; those met further on are
  // appended to floatList, to be placed below the line.
  LineFit FindCountThatFits(int start, int nn, int y, IndentManager& iMgr,
                            std::vector<TFloatingObj*>& floatList);

 protected:
  // Forgets the last layout's lines and notes where this one starts.
  void StartLayout(int x, int y, int aWidth, const IndentManager& iMgr, int curs);
  // Lines placed by the last PlaceLines (-1: none since the last layout).
  int placedLines_ = -1;
  // How far from its layout x the section was last drawn, apart from the
  // page's horizontal scroll (0 until drawn).
  int drawShiftX_ = 0;

 private:
  void DeleteChar(int i);
  void AppendText(std::u16string_view token, const std::vector<IndexObj>& places);
  // The source positions and break codes of n characters added.
  void AddPositions(int n, const std::vector<IndexObj>& places);
  // The blank a finished text ends with, at the source position given.
  void AppendFinalSpace(int sourcePos);
  // Every 50th section tells the document how far layout has come, once per
  // layout.
  void ReportProgress();
  int Clearance(const IndentManager& iMgr, int y) const;

  // --- Layout's steps (textsection.cpp).
  // Sizes the images and controls for avail pixels across (percentages
  // are of it) and a height; returns the widest of them and avail.
  int LayoutObjects(platform::Canvas& canvas, int avail, int height);
  // Where the line of the characters from p, of which count fit, breaks:
  // End is the first character of the next line. Overlong: no break place
  // fits, and the line runs on past the room to the word's end.
  struct BreakChoice {
    int End = 0;
    bool Overlong = false;
  };
  BreakChoice ChooseBreak(int p, int count) const;
  // The height and descent of the line of nn characters from p, from its
  // runs, objects and controls, and the room those need above and below
  // its text; what stands in the line is told its y (runs and controls
  // only when the document is no copy).
  struct LineSpace {
    int Before = 0;
    int After = 0;
  };
  LineSpace MeasureLine(LineRec& line, int p, int nn, int y, bool isCopy);
  // The line's indent from the cell's x, its width between the edges xl
  // and xr, and for a justified line the room spread over its spaces.
  void AlignLine(LineRec& line, int p, int nn, int x, int xl, int xr) const;
  // One layout's walk down the lines, through the steps above.
  class LinePass;
  int PieceWidth(int start, int n, bool removeSpaces) const;
  int TextWidthImpl(int start, int n, bool removeSpaces, int overhangSign) const;
  // Characters to the next run change, object or control (at least 1).
  int RunLength(int i, int limit) const;
  int DashWidth(int pos) const;
  // The index of the first forced break at or after from (Len when none).
  // Lines ask in order, so the last answer is kept: a long text without
  // breaks is searched once, not once per line.
  int NextBreakChar(int from) const;
  mutable int breakFrom_ = -1, breakAt_ = -1;
  static void PlaceFloat(TFloatingObj* obj, IndentManager& iMgr, int y);
  // Makes run a piece of the link target (fonts, link list, focus control).
  void MakeLinkRun(TFontObj* run, TProperties& prop, const TUrlTarget& target, bool tabControl);
  // Appends text in small caps: upper case throughout, the letters that
  // were lower case in a smaller run of the same kind.
  void AppendSmallCaps(std::u16string_view token);
  // A new run from the current length that copies the last one (link,
  // title, sub/superscript) with another font.
  void SwitchRunFont(const TMyFont& font);

  // The width of the drawn text of a line: trailing spaces and break left
  // out, the soft hyphen's dash added.
  int LineTextWidth(int line) const;
  // The walk from the line's start over the characters that fit whole in
  // width pixels.
  LineWalk FitWalk(int line, int width) const;
  // The line's index holding a character index (the last line for the end).
  int LineOfIndex(int index) const;
  void BuildBorders(int line);
  // One line's draw, through named steps in the order they paint
  // (textsectiondraw.cpp): what of the line can show between two x; the
  // floating images on it wait in the context's list.
  class LineDraw;
  // advances: those of the characters from from to to.
  void DrawText(platform::Canvas& canvas, int line, const LinePiece& piece, int from, int to,
                int x, int baseline, int lineTop, int bottom, const int* advances, bool selected,
                const TDrawContext& context);
  // The selection made relative to the section: whether one applies.
  bool SectionSelection(int& selB, int& selE) const;

  // Sets every line's DrawX and DrawY for the section drawn at x, unless
  // they are set for this layout and x already.
  void PlaceLines(int x);
  // Places the lines for a lookup: where the section was last drawn, or for
  // one no paint reached since its layout, where a paint would put it. Hit
  // tests and the caret so never depend on which parts a paint visited.
  void PlaceLinesForLookup();

  struct Objects {
    TImageObjList Images;
    TFormControlList FormControls;
  };
  Objects& MadeObjects() {
    if (!objects_) objects_ = std::make_unique<Objects>();
    return *objects_;
  }

  bool finished_ = false;
  bool registeredID_ = false;   // under its ID with the document
  bool linesAscend_ = true;     // no line moves up from the one before
  int placedX_ = 0, placedTop_ = 0;
  int maxLineDrawHeight_ = 0;
};
static_assert(sizeof(TSection) <= 264,
              "a page of a great many small elements holds a text section for each, within the "
              "element-memory budget (htmlview/README.md, Memory): a finished section keeps no "
              "reserve, and what few sections have goes out of line");

// Preformatted text: a text section that does not wrap (every source line
// of it is a section of its own); it moves below floats instead of flowing
// beside them.
class TPreFormated : public TSection {
 public:
  using TSection::TSection;
  bool IsPreformatted() const override { return true; }

  // Unless it may wrap: the widest is the whole text on one line, the
  // narrowest the same up to kPreMaxMinWidth.
  void WidthRange(platform::Canvas& canvas, int& minWidth, int& maxWidth) override;
  // Unless it may wrap: one line (an empty section is one line of its first
  // font high), reporting the width of its text.
  int Layout(platform::Canvas& canvas, int x, int y, int xRef, int yRef, int aWidth, int aHeight,
             int blHt, IndentManager& iMgr, int& maxWidth, int& curs) override;

  static constexpr int kPreMaxMinWidth = 6000;
};

}  // namespace htmlview
