// Forms and their controls: creation from attributes, sizes, reset,
// submission, radio groups, change detection and the posted submission.
#include "htmlview/layout/formcontrols.h"

#include <algorithm>
#include <cstdlib>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <QApplication>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include "htmlview/layout/cells.h"
#include "htmlview/layout/imageobj.h"
#include "htmlview/style/styleprops.h"
#include "htmlview/parse/vocabulary.h"
#include "platform/canvas.h"
#include "platform/fonts.h"
#include "platform/formwidgets.h"
#include "platform/image.h"
#include "platform/timers.h"

namespace {

using namespace htmlview;
using Sym = HtmlSymbol;

// A document root that keeps forms and records what the controls ask of it.
class FormDoc : public TSectionListBase, public TSectionListForms {
 public:
  TSectionListForms* Forms() override { return this; }
  FormDoc() {
    Panel.resize(600, 400);
    OnObjectClick = [this](QObject*, TFormControlObj* c, const std::string& s) {
      Events.push_back("click " + c->FName + " " + s);
    };
    OnObjectChange = [this](QObject*, TFormControlObj* c, const std::string& s) {
      Events.push_back("change " + c->FName + " " + s);
    };
    OnObjectFocus = [this](QObject*, TFormControlObj* c, const std::string& s) {
      Events.push_back("focus " + c->FName + " " + s);
    };
    OnObjectBlur = [this](QObject*, TFormControlObj* c, const std::string& s) {
      Events.push_back("blur " + c->FName + " " + s);
    };
  }

  QWidget Panel;
  std::vector<std::string> Events;
  std::map<std::string, TIDObject*> IDs;
  std::vector<std::pair<std::string, TFormControlObj*>> TabOrder;
  std::vector<int> ViewerKeys;
  int Ppi = 96;
  int Entered = 0;

  QWidget* PaintPanel() override { return &Panel; }
  void ControlEntered(TFormControlObj&) override { ++Entered; }
  void ControlKeyDown(TFormControlObj&, int& key, platform::ShiftState) override {
    ViewerKeys.push_back(key);
  }
  void AddIDObject(const std::string& name, TIDObject* object) override { IDs[name] = object; }
  void RemoveIDObject(const TIDObject* object) override {
    for (auto it = IDs.begin(); it != IDs.end();)
      it = it->second == object ? IDs.erase(it) : std::next(it);
  }
  int TabOrderCount() const override { return static_cast<int>(TabOrder.size()); }
  void AddControlTabOrder(const std::string& key, TFormControlObj* c) override {
    TabOrder.emplace_back(key, c);
  }
  int ScreenPixelsPerInch() const override { return Ppi; }
};

struct Submission {
  std::string action, target, encType, method;
  std::vector<std::string> results;
};

std::unique_ptr<TAttributeList> Attrs(std::initializer_list<std::pair<Sym, std::string>> items,
                                      int codePage = CP_UTF8) {
  auto list = std::make_unique<TAttributeList>();
  for (const auto& [sym, text] : items) {
    const char c = text.empty() ? 'x' : text[0];
    const int value = (c >= '0' && c <= '9') || c == '-' || c == '+' ? std::atoi(text.c_str()) : 0;
    list->Add(TAttribute(sym, "", value, text, codePage));
  }
  return list;
}

TMyFont TestFont() {
  TMyFont f;
  f.name = "Arial";
  f.height = -16;   // fixed metrics: advance 8, cell height 16
  return f;
}

class FormControlsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    platform::SetFontBackend(platform::FontBackend::FixedMetric, {"Arial"});
    InitVocabulary();
    InitStyleProps();
  }

  ThtmlForm* NewForm(std::initializer_list<std::pair<Sym, std::string>> items = {}) {
    auto a = Attrs(items);
    return ThtmlForm::Create(&doc, a.get());
  }

  TFormControlObj* Make(Sym tag, std::initializer_list<std::pair<Sym, std::string>> items,
                        ThtmlForm* form, int codePage = CP_UTF8) {
    auto a = Attrs(items, codePage);
    return CreateFormControl(tag, &doc, pos++, *a, form).Control;
  }

  template <class T>
  T* MakeAs(Sym tag, std::initializer_list<std::pair<Sym, std::string>> items, ThtmlForm* form) {
    auto* c = dynamic_cast<T*>(Make(tag, items, form));
    EXPECT_NE(c, nullptr);
    return c;
  }

  // Submits through the posted call and returns what reached OnFormSubmit.
  void CatchSubmissions() {
    doc.OnFormSubmit = [this](QObject*, const std::string& action, const std::string& target,
                              const std::string& encType, const std::string& method,
                              const std::vector<std::string>& results) {
      submitted.push_back({action, target, encType, method, results});
    };
  }

  FormDoc doc;
  int pos = 0;
  std::vector<Submission> submitted;
};

// ---------------------------------------------------------------------------
// Creation

TEST_F(FormControlsTest, EachElementBecomesItsKindOfControl) {
  struct Case {
    Sym tag;
    std::string type;       // TYPE of INPUT ("-" none)
    std::string extra;      // "multiple", "size=N" for SELECT
    const char* kind;
  };
  const std::vector<Case> cases = {
      {Sym::Input, "text", "", "edit"},         {Sym::Input, "PASSWORD", "", "password"},
      {Sym::Input, "file", "", "edit"},         {Sym::Input, "-", "", "edit"},
      {Sym::Input, "nonsense", "", "edit"},     {Sym::Input, "submit", "", "button"},
      {Sym::Input, "reset", "", "button"},      {Sym::Input, "button", "", "button"},
      {Sym::Input, "checkbox", "", "checkbox"}, {Sym::Input, "radio", "", "radio"},
      {Sym::Input, "hidden", "", "hidden"},     {Sym::Input, "image", "", "image"},
      {Sym::Select, "-", "", "combo"},          {Sym::Select, "-", "multiple", "list"},
      {Sym::Select, "-", "size=2", "list"},     {Sym::Select, "-", "size=1", "combo"},
      {Sym::TextArea, "-", "", "memo"},
  };
  ThtmlForm* form = NewForm();
  for (const Case& c : cases) {
    auto a = std::make_unique<TAttributeList>();
    if (c.type != "-") a->Add(TAttribute(Sym::Type, "TYPE", 0, c.type));
    if (c.extra == "multiple") a->Add(TAttribute(Sym::Multiple, "MULTIPLE", 0, ""));
    if (c.extra.rfind("size=", 0) == 0)
      a->Add(TAttribute(Sym::Size, "SIZE", std::atoi(c.extra.c_str() + 5), c.extra.substr(5)));
    TNewFormControl made = CreateFormControl(c.tag, &doc, pos++, *a, form);
    TFormControlObj* ctl = made.Control;
    const std::string kind = c.kind;
    SCOPED_TRACE(c.type + " " + c.extra + " -> " + kind);
    ASSERT_NE(ctl, nullptr);
    if (kind == "edit" || kind == "password") {
      auto* edit = dynamic_cast<TEditFormControlObj*>(ctl);
      ASSERT_NE(edit, nullptr);
      ASSERT_NE(edit->Edit(), nullptr);
      EXPECT_EQ(edit->Edit()->Password(), kind == "password");
      EXPECT_EQ(edit->Edit()->width(), 120);   // until sized
      EXPECT_EQ(made.Browse != nullptr, c.type == "file");
    } else if (kind == "button") {
      EXPECT_NE(dynamic_cast<TButtonFormControlObj*>(ctl), nullptr);
    } else if (kind == "checkbox") {
      auto* box = dynamic_cast<TCheckBoxFormControlObj*>(ctl);
      ASSERT_NE(box, nullptr);
      EXPECT_EQ(box->VertAlign, TVAlign::Baseline);
      EXPECT_EQ(box->CheckBox()->size(), QSize(13, 13));
    } else if (kind == "radio") {
      auto* radio = dynamic_cast<TRadioButtonFormControlObj*>(ctl);
      ASSERT_NE(radio, nullptr);
      EXPECT_FALSE(radio->RadioButton()->autoExclusive());
      EXPECT_EQ(radio->RadioButton()->size(), QSize(13, 14));
      EXPECT_EQ(radio->VertAlign, TVAlign::Baseline);
    } else if (kind == "hidden") {
      EXPECT_NE(dynamic_cast<THiddenFormControlObj*>(ctl), nullptr);
      EXPECT_EQ(ctl->TheControl(), nullptr);
    } else if (kind == "image") {
      auto* image = dynamic_cast<TImageFormControlObj*>(ctl);
      ASSERT_NE(image, nullptr);
      EXPECT_EQ(image->TheControl()->size(), QSize(1, 1));
    } else if (kind == "combo") {
      auto* combo = dynamic_cast<TComboFormControlObj*>(ctl);
      ASSERT_NE(combo, nullptr);
      EXPECT_FALSE(combo->ComboBox()->isEditable());
    } else if (kind == "list") {
      auto* list = dynamic_cast<TListBoxFormControlObj*>(ctl);
      ASSERT_NE(list, nullptr);
      EXPECT_EQ(list->ListBox()->MultiSelect(), c.extra == "multiple");
    } else if (kind == "memo") {
      EXPECT_NE(dynamic_cast<TTextAreaFormControlObj*>(ctl), nullptr);
    }
    if (ctl->TheControl()) {
      // Waiting off-screen on the paint panel until a line places it.
      EXPECT_EQ(ctl->TheControl()->parentWidget(), &doc.Panel);
      EXPECT_EQ(ctl->Left(), -4000);
    }
  }
  // Every control is in the document's list and the form's, in order.
  EXPECT_EQ(static_cast<int>(doc.FormControlList.size()), form->ControlList.Count());
}

TEST_F(FormControlsTest, AttributesAreRead) {
  ThtmlForm* form = NewForm({{Sym::Method, "POST-IT"}, {Sym::Action, "/cgi/go"},
                             {Sym::Target, "_top"}, {Sym::EncType, "text/plain"}});
  EXPECT_EQ(form->Method, "POST");
  EXPECT_EQ(form->Action, "/cgi/go");
  EXPECT_EQ(form->Target, "_top");
  EXPECT_EQ(form->EncType, "text/plain");
  EXPECT_EQ(NewForm()->Method, "get");

  auto* edit = MakeAs<TEditFormControlObj>(
      Sym::Input,
      {{Sym::Type, "text"}, {Sym::Name, "who"}, {Sym::Value, "Ann"}, {Sym::Id, "E1"},
       {Sym::Title, "Your name"}, {Sym::OnClick, "c()"}, {Sym::OnFocus, "f()"},
       {Sym::OnBlur, "b()"}, {Sym::OnChange, "x()"}, {Sym::TabIndex, "3"}, {Sym::ReadOnly, ""}},
      form);
  EXPECT_EQ(edit->FName, "who");
  EXPECT_EQ(edit->Text(), "Ann");
  EXPECT_EQ(edit->FTitle, "Your name");
  EXPECT_EQ(edit->OnClickMessage, "c()");
  EXPECT_EQ(edit->OnFocusMessage, "f()");
  EXPECT_EQ(edit->OnBlurMessage, "b()");
  EXPECT_EQ(edit->OnChangeMessage, "x()");
  EXPECT_TRUE(edit->Readonly);
  EXPECT_TRUE(edit->Edit()->ReadOnly());
  EXPECT_EQ(edit->EditSize, 15);
  EXPECT_EQ(edit->VertAlign, TVAlign::Bottom);
  EXPECT_EQ(edit->HSpaceL + edit->HSpaceR + edit->VSpaceT + edit->VSpaceB, 4);
  EXPECT_EQ(doc.IDs["E1"], edit);
  ASSERT_EQ(doc.TabOrder.size(), 1u);
  EXPECT_EQ(doc.TabOrder[0].first, "00003000");
  EXPECT_EQ(doc.TabOrder[0].second, edit);

  // SIZE: the number before the first comma or blank; 20 when not a number.
  for (const auto& [size, expected] :
       std::vector<std::pair<std::string, int>>{{"20,3", 20}, {"7 2", 7}, {"abc", 20}, {"12", 12}})
    EXPECT_EQ(MakeAs<TEditFormControlObj>(Sym::Input, {{Sym::Size, size}}, form)->EditSize, expected)
        << size;

  // DISABLED unless its value is "no" or "0".
  for (const auto& [value, disabled] : std::vector<std::pair<std::string, bool>>{
           {"", true}, {"disabled", true}, {"no", false}, {"NO", false}, {"0", false}, {"1", true}}) {
    TFormControlObj* c = Make(Sym::Input, {{Sym::Disabled, value}}, form);
    EXPECT_EQ(c->Disabled, disabled) << "'" << value << "'";
    EXPECT_EQ(c->TheControl()->isEnabled(), !disabled) << "'" << value << "'";
  }
  EXPECT_FALSE(Make(Sym::Input, {}, form)->Disabled);

  // Captions, and the check box's default value.
  EXPECT_EQ(MakeAs<TButtonFormControlObj>(Sym::Input, {{Sym::Type, "submit"}}, form)->Caption(), "Submit");
  EXPECT_EQ(MakeAs<TButtonFormControlObj>(Sym::Input, {{Sym::Type, "reset"}}, form)->Caption(), "Reset");
  EXPECT_EQ(MakeAs<TButtonFormControlObj>(Sym::Input, {{Sym::Type, "button"}}, form)->Caption(), "Button");
  EXPECT_EQ(MakeAs<TButtonFormControlObj>(Sym::Input, {{Sym::Type, "submit"}, {Sym::Value, "Go"}}, form)
                ->Caption(),
            "Go");
  EXPECT_EQ(MakeAs<TCheckBoxFormControlObj>(Sym::Input, {{Sym::Type, "checkbox"}}, form)->Value, "on");

  // A FILE input: an edit and a browse button that has no name, value or ID.
  auto a = Attrs({{Sym::Type, "file"}, {Sym::Name, "up"}, {Sym::Value, "v"}, {Sym::Id, "F"}});
  TNewFormControl file = CreateFormControl(Sym::Input, &doc, pos++, *a, form);
  ASSERT_NE(file.Browse, nullptr);
  EXPECT_EQ(file.Browse->MyEdit, file.Control);
  EXPECT_EQ(file.Browse->Which, TButtonFormControlObj::bkBrowse);
  EXPECT_EQ(file.Browse->Caption(), "Browse...");
  EXPECT_EQ(file.Browse->FName, "");
  EXPECT_EQ(file.Browse->Value, "");
  EXPECT_EQ(file.Browse->FID, "");

  // TEXTAREA defaults and attributes.
  auto* memo = MakeAs<TTextAreaFormControlObj>(Sym::TextArea, {}, form);
  EXPECT_EQ(memo->Rows, 5);
  EXPECT_EQ(memo->Cols, 30);
  EXPECT_EQ(memo->Wrap, TTextAreaFormControlObj::wrapSoft);
  auto* memo2 = MakeAs<TTextAreaFormControlObj>(
      Sym::TextArea, {{Sym::Rows, "3"}, {Sym::Cols, "12"}, {Sym::Wrap, "hard"}}, form);
  EXPECT_EQ(memo2->Rows, 3);
  EXPECT_EQ(memo2->Cols, 12);
  EXPECT_EQ(memo2->Wrap, TTextAreaFormControlObj::wrapHard);
  EXPECT_EQ(MakeAs<TTextAreaFormControlObj>(Sym::TextArea, {{Sym::Wrap, "off"}}, form)->Wrap,
            TTextAreaFormControlObj::wrapOff);
}

TEST_F(FormControlsTest, ControlsOutsideAnyFormGetAnImplicitOne) {
  TFormControlObj* c = Make(Sym::Input, {{Sym::Name, "q"}}, nullptr);
  ASSERT_NE(c->MyForm, nullptr);
  EXPECT_EQ(doc.FormList.Count(), 1);
  EXPECT_EQ(c->MyForm->Method, "get");
  EXPECT_EQ(c->MyForm->Action, "");
}

TEST_F(FormControlsTest, FreeingControlsLeavesNoTraceInTheDocument) {
  ThtmlForm* form = NewForm();
  Make(Sym::Input, {{Sym::Id, "a"}}, form);
  Make(Sym::Input, {{Sym::Type, "file"}, {Sym::Id, "b"}}, form);
  QPointer<QWidget> widget = form->ControlList[0]->TheControl();
  ASSERT_FALSE(doc.IDs.empty());
  doc.ClearForms();
  EXPECT_TRUE(doc.FormControlList.empty());
  EXPECT_TRUE(doc.IDs.empty());
  EXPECT_TRUE(widget.isNull());
}

// ---------------------------------------------------------------------------
// Sizes (fixed-metric font: 8 pixels a character, 16 high)

TEST_F(FormControlsTest, SizesFollowTheFont) {
  ThtmlForm* form = NewForm();
  auto* edit = MakeAs<TEditFormControlObj>(Sym::Input, {{Sym::Size, "10"}}, form);
  auto* wide = MakeAs<TEditFormControlObj>(Sym::Input, {}, form);
  wide->FWidth = 200;
  wide->FHeight = 30;
  auto* button = MakeAs<TButtonFormControlObj>(Sym::Input, {{Sym::Type, "submit"}, {Sym::Value, "Go"}}, form);
  auto* tall = MakeAs<TButtonFormControlObj>(Sym::Input, {{Sym::Type, "button"}, {Sym::Value, "Go"}}, form);
  tall->FHeight = 40;
  tall->FWidth = 9;   // below 10: the caption decides
  auto* list = MakeAs<TListBoxFormControlObj>(Sym::Select, {{Sym::Multiple, ""}}, form);
  for (const char* t : {"a", "bbbb", "cc"}) list->AddStr(t, false, nullptr, CP_UTF8);
  auto* rows = MakeAs<TListBoxFormControlObj>(Sym::Select, {{Sym::Size, "4"}}, form);
  rows->AddStr("", false, nullptr, CP_UTF8);   // shown as one blank
  auto* many = MakeAs<TListBoxFormControlObj>(Sym::Select, {{Sym::Multiple, ""}}, form);
  for (int i = 0; i < 12; ++i) many->AddStr("x", false, nullptr, CP_UTF8);
  auto* combo = MakeAs<TComboFormControlObj>(Sym::Select, {}, form);
  for (const char* t : {"one", "three"}) combo->AddStr(t, false, nullptr, CP_UTF8);
  auto* memo = MakeAs<TTextAreaFormControlObj>(Sym::TextArea, {{Sym::Rows, "2"}, {Sym::Cols, "10"}}, form);
  auto* percent = MakeAs<TEditFormControlObj>(Sym::Input, {}, form);
  percent->FWidth = 50;
  percent->PercentWidth = true;
  auto* percentMemo = MakeAs<TTextAreaFormControlObj>(Sym::TextArea, {}, form);
  percentMemo->FWidth = 50;
  percentMemo->PercentWidth = true;
  for (TFormControlObj* c : doc.FormControlList) c->Font = TestFont();

  platform::Bitmap bitmap(10, 10);
  platform::Canvas canvas(&bitmap.Image());
  doc.SetFormControlSizes(canvas);

  EXPECT_EQ(edit->tmAveCharWidth, 8);
  EXPECT_EQ(edit->Width(), 10 * 8 + 23);
  EXPECT_EQ(edit->Height(), 16);
  EXPECT_EQ(wide->Width(), 200);
  EXPECT_EQ(wide->Height(), 30);
  EXPECT_EQ(button->Width(), 2 * 8 + 20);
  EXPECT_EQ(button->Height(), 16 + 8);
  EXPECT_EQ(tall->Width(), 36);
  EXPECT_EQ(tall->Height(), 40);

  const int listFrame = 2 * list->ListBox()->frameWidth();
  EXPECT_EQ(list->Longest, 32);
  EXPECT_EQ(list->Width(), platform::kScrollBarSize + 32 + 10);
  EXPECT_EQ(list->Height(), 3 * 16 + listFrame);
  EXPECT_EQ(rows->Longest, 8);
  EXPECT_EQ(rows->Height(), 4 * 16 + listFrame);
  EXPECT_EQ(many->Height(), 8 * 16 + listFrame);   // at most 8 rows unless SIZE says
  EXPECT_EQ(combo->Width(), platform::kScrollBarSize + 40 + 10);

  const int memoFrame = 2 * memo->Memo()->frameWidth();
  EXPECT_EQ(memo->Height(), 2 * 16 + 5 + memoFrame);
  EXPECT_EQ(memo->Width(), 10 * 8 + 5 + memoFrame);

  // Percentage widths wait for the line layout, parked and narrow.
  EXPECT_EQ(percent->Width(), 10);
  EXPECT_EQ(percent->Left(), -4000);
  EXPECT_EQ(percentMemo->Width(), 50);
}

// Sizes from attribute numbers at the ends of the int range: a control
// asked to be wider or taller than anything is as large as a control can
// be, not wrapped round to a small or negative size (nor undefined, as an
// overflowing product is), and one asked to be smaller than nothing is
// empty at most.
TEST_F(FormControlsTest, SizesFromNumbersAtTheIntLimitsSaturate) {
  const int largest = QWIDGETSIZE_MAX;
  const struct {
    const char* name;
    Sym tag;
    Sym attribute;
    const char* value;
    int width, height;   // -1: not looked at; 0: empty (or below the control's least size)
  } cases[] = {
      {"edit of the largest size", Sym::Input, Sym::Size, "2147483647", largest, -1},
      {"edit of the smallest size", Sym::Input, Sym::Size, "-2147483648", 0, -1},
      {"list box of the most rows", Sym::Select, Sym::Size, "2147483647", -1, largest},
      {"text area of the most rows", Sym::TextArea, Sym::Rows, "2147483647", -1, largest},
      {"text area of the most columns", Sym::TextArea, Sym::Cols, "2147483647", largest, -1},
  };
  ThtmlForm* form = NewForm();
  std::vector<TFormControlObj*> controls;
  for (const auto& c : cases) controls.push_back(Make(c.tag, {{c.attribute, c.value}}, form));
  for (TFormControlObj* c : doc.FormControlList) {
    c->Font = TestFont();
    c->Font.height = -1000;   // a large font makes the products larger still
  }
  platform::Bitmap bitmap(10, 10);
  platform::Canvas canvas(&bitmap.Image());
  doc.SetFormControlSizes(canvas);
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].name);
    ASSERT_NE(controls[i], nullptr);
    const QWidget* widget = controls[i]->TheControl();
    ASSERT_NE(widget, nullptr);
    if (cases[i].width > 0) {
      EXPECT_EQ(controls[i]->Width(), cases[i].width);
    } else if (cases[i].width == 0) {
      EXPECT_LE(controls[i]->Width(), std::max(0, widget->minimumWidth()));
    }
    if (cases[i].height > 0) {
      EXPECT_EQ(controls[i]->Height(), cases[i].height);
    }
    EXPECT_GE(controls[i]->Width(), 0);
    EXPECT_GE(controls[i]->Height(), 0);
  }
}

TEST_F(FormControlsTest, RadioButtonsAreLargerOnDenseScreens) {
  doc.Ppi = 120;
  auto* radio = MakeAs<TRadioButtonFormControlObj>(Sym::Input, {{Sym::Type, "radio"}}, NewForm());
  EXPECT_EQ(radio->RadioButton()->size(), QSize(16, 16));
}

TEST_F(FormControlsTest, StyleReplacesSpacesSizesAlignmentAndColour) {
  ThtmlForm* form = NewForm();
  auto* edit = MakeAs<TEditFormControlObj>(Sym::Input, {}, form);
  TProperties prop;
  prop.AddPropertyByName("margin-left", "7px");
  prop.AddPropertyByName("margin-top", "3px");
  prop.AddPropertyByName("width", "40%");
  prop.AddPropertyByName("height", "30px");
  prop.AddPropertyByName("vertical-align", "top");
  // The cascade stores colours converted.
  prop.Props[PropBackgroundColor] = PropValue::FromColour(platform::clYellow);
  prop.Originals.set(PropBackgroundColor);
  edit->ProcessProperties(prop);
  EXPECT_EQ(edit->HSpaceL, 7);
  EXPECT_EQ(edit->HSpaceR, 1);
  EXPECT_EQ(edit->VSpaceT, 3);
  EXPECT_EQ(edit->FWidth, 40);
  EXPECT_TRUE(edit->PercentWidth);
  EXPECT_EQ(edit->FHeight, 30);
  EXPECT_EQ(edit->VertAlign, TVAlign::Top);
  EXPECT_EQ(edit->BkColor, platform::clYellow);

  auto* big = MakeAs<TEditFormControlObj>(Sym::Input, {}, form);
  TProperties over;
  over.AddPropertyByName("width", "150%");   // ignored
  big->ProcessProperties(over);
  EXPECT_EQ(big->FWidth, 0);
  EXPECT_FALSE(big->PercentWidth);
}

// ---------------------------------------------------------------------------
// Reset

TEST_F(FormControlsTest, ResetRestoresTheInitialValues) {
  ThtmlForm* form = NewForm();
  auto* edit = MakeAs<TEditFormControlObj>(Sym::Input, {{Sym::Value, "first"}}, form);
  auto* box = MakeAs<TCheckBoxFormControlObj>(Sym::Input, {{Sym::Type, "checkbox"}, {Sym::Checked, ""}}, form);
  auto* r1 = MakeAs<TRadioButtonFormControlObj>(Sym::Input, {{Sym::Type, "radio"}, {Sym::Name, "g"}, {Sym::Checked, ""}}, form);
  auto* r2 = MakeAs<TRadioButtonFormControlObj>(Sym::Input, {{Sym::Type, "radio"}, {Sym::Name, "g"}}, form);
  auto* multi = MakeAs<TListBoxFormControlObj>(Sym::Select, {{Sym::Multiple, ""}}, form);
  auto* single = MakeAs<TListBoxFormControlObj>(Sym::Select, {{Sym::Size, "3"}}, form);
  auto* none = MakeAs<TListBoxFormControlObj>(Sym::Select, {{Sym::Size, "3"}}, form);
  auto* combo = MakeAs<TComboFormControlObj>(Sym::Select, {}, form);
  auto* memo = MakeAs<TTextAreaFormControlObj>(Sym::TextArea, {}, form);
  for (int i = 0; i < 4; ++i) {
    const std::string t = "o" + std::to_string(i);
    multi->AddStr(t, i == 1 || i == 3, nullptr, CP_UTF8);
    single->AddStr(t, i == 1 || i == 2, nullptr, CP_UTF8);   // the last marked wins
    none->AddStr(t, false, nullptr, CP_UTF8);
    combo->AddStr(t, i == 0 || i == 2, nullptr, CP_UTF8);
  }
  memo->AddStr("line one\r\n");
  memo->AddStr("line two\r\n");
  form->ResetControls();

  auto check = [&] {
    EXPECT_EQ(edit->Text(), "first");
    EXPECT_TRUE(box->Checked());
    EXPECT_TRUE(r1->Checked());
    EXPECT_FALSE(r2->Checked());
    std::vector<bool> sel;
    for (int i = 0; i < 4; ++i) sel.push_back(multi->ListBox()->Selected(i));
    EXPECT_EQ(sel, (std::vector<bool>{false, true, false, true}));
    EXPECT_EQ(single->ListBox()->ItemIndex(), 2);
    EXPECT_EQ(none->ListBox()->ItemIndex(), 0);
    EXPECT_EQ(combo->ComboBox()->ItemIndex(), 2);
    EXPECT_EQ(memo->Text(), "line one\r\nline two");
  };
  check();
  EXPECT_EQ(multi->ListBox()->ItemCount(), 4);

  edit->SetText("changed");
  box->SetChecked(false);
  r2->FormControlClick();
  multi->ListBox()->ClearSelection();
  single->ListBox()->SetItemIndex(0);
  none->ListBox()->SetItemIndex(3);
  combo->ComboBox()->SetItemIndex(3);
  memo->Memo()->SetText("other");
  form->ResetControls();
  check();
  // Filled again, not added to.
  EXPECT_EQ(multi->ListBox()->ItemCount(), 4);
  EXPECT_EQ(combo->ComboBox()->ItemCount(), 4);
}

TEST_F(FormControlsTest, ResetButtonResetsTheForm) {
  ThtmlForm* form = NewForm();
  auto* edit = MakeAs<TEditFormControlObj>(Sym::Input, {{Sym::Value, "v"}}, form);
  auto* reset = MakeAs<TButtonFormControlObj>(Sym::Input, {{Sym::Type, "reset"}, {Sym::Name, "r"}}, form);
  edit->SetText("typed");
  QTest::mouseClick(reset->Button(), Qt::LeftButton);
  EXPECT_EQ(edit->Text(), "v");
  EXPECT_EQ(doc.Events, (std::vector<std::string>{"click r "}));
}

// ---------------------------------------------------------------------------
// Submission

TEST_F(FormControlsTest, SubmissionHoldsEveryEnabledControlsItemsInOrder) {
  ThtmlForm* form = NewForm({{Sym::Action, "/go"}, {Sym::Method, "post"}});
  Make(Sym::Input, {{Sym::Type, "hidden"}, {Sym::Name, "h"}, {Sym::Value, "secret"}}, form);
  Make(Sym::Input, {{Sym::Type, "text"}, {Sym::Name, "t"}, {Sym::Value, "hello"}}, form);
  Make(Sym::Input, {{Sym::Type, "password"}, {Sym::Name, "p"}, {Sym::Value, "pw"}}, form);
  Make(Sym::Input, {{Sym::Type, "text"}, {Sym::Name, "off"}, {Sym::Value, "x"}, {Sym::Disabled, ""}}, form);
  Make(Sym::Input, {{Sym::Type, "text"}, {Sym::Name, "empty"}}, form);
  Make(Sym::Input, {{Sym::Type, "checkbox"}, {Sym::Name, "c1"}, {Sym::Checked, ""}}, form);
  Make(Sym::Input, {{Sym::Type, "checkbox"}, {Sym::Name, "c2"}, {Sym::Value, "yes"}}, form);
  Make(Sym::Input, {{Sym::Type, "radio"}, {Sym::Name, "r"}, {Sym::Value, "a"}}, form);
  Make(Sym::Input, {{Sym::Type, "radio"}, {Sym::Name, "r"}, {Sym::Value, "b"}, {Sym::Checked, ""}}, form);
  auto* list = MakeAs<TListBoxFormControlObj>(Sym::Select, {{Sym::Name, "l"}, {Sym::Multiple, ""}, {Sym::Size, "3"}}, form);
  auto v = Attrs({{Sym::Value, "V2"}});
  list->AddStr("one", true, nullptr, CP_UTF8);
  list->AddStr("two", false, nullptr, CP_UTF8);
  list->AddStr("three", true, v.get(), CP_UTF8);
  auto* single = MakeAs<TListBoxFormControlObj>(Sym::Select, {{Sym::Name, "s"}, {Sym::Size, "2"}}, form);
  single->AddStr("x", false, nullptr, CP_UTF8);
  single->AddStr("y", true, nullptr, CP_UTF8);
  auto* combo = MakeAs<TComboFormControlObj>(Sym::Select, {{Sym::Name, "d"}}, form);
  combo->AddStr("first", false, nullptr, CP_UTF8);
  combo->AddStr("second", true, v.get(), CP_UTF8);
  auto* memo = MakeAs<TTextAreaFormControlObj>(Sym::TextArea, {{Sym::Name, "m"}}, form);
  memo->AddStr("a\r\n");
  memo->AddStr("b\r\n");
  auto* submit = MakeAs<TButtonFormControlObj>(Sym::Input, {{Sym::Type, "submit"}, {Sym::Name, "go"}, {Sym::Value, "Send"}}, form);
  form->ResetControls();

  const std::vector<std::string> expected = {
      "h=secret", "t=hello", "p=pw", "empty=", "c1=on", "r=b", "l=one", "l=V2", "s=y", "d=V2", "m=a\r\nb"};
  EXPECT_EQ(form->GetFormSubmission(), expected);

  // Without OnFormSubmit nothing is sent.
  QTest::mouseClick(submit->Button(), Qt::LeftButton);
  platform::RunPosted();
  EXPECT_TRUE(submitted.empty());

  CatchSubmissions();
  QTest::mouseClick(submit->Button(), Qt::LeftButton);
  platform::RunPosted();
  ASSERT_EQ(submitted.size(), 1u);
  EXPECT_EQ(submitted[0].action, "/go");
  EXPECT_EQ(submitted[0].method, "post");
  std::vector<std::string> withButton = expected;
  withButton.push_back("go=Send");
  EXPECT_EQ(submitted[0].results, withButton);
}

TEST_F(FormControlsTest, CheckBoxWithoutValueSendsOnOnlyWhenChecked) {
  ThtmlForm* form = NewForm();
  auto* box = MakeAs<TCheckBoxFormControlObj>(Sym::Input, {{Sym::Type, "checkbox"}, {Sym::Name, "agree"}}, form);
  EXPECT_TRUE(form->GetFormSubmission().empty());
  QTest::mouseClick(box->CheckBox(), Qt::LeftButton);
  EXPECT_EQ(form->GetFormSubmission(), (std::vector<std::string>{"agree=on"}));
}

TEST_F(FormControlsTest, SubmittedTextIsInTheElementsCodePage) {
  ThtmlForm* form = NewForm();
  auto* edit = dynamic_cast<TEditFormControlObj*>(Make(Sym::Input, {{Sym::Name, "n"}}, form, 1252));
  ASSERT_NE(edit, nullptr);
  edit->SetText("caf\xC3\xA9 \xE2\x82\xAC");   // "café €" in UTF-8
  EXPECT_EQ(form->GetFormSubmission(), (std::vector<std::string>{"n=caf\xE9 \x80"}));
  // The history data stays as the controls hold it.
  EXPECT_EQ(form->GetFormData(), (std::vector<std::string>{"n=caf\xC3\xA9 \xE2\x82\xAC"}));
}

TEST_F(FormControlsTest, HardWrapSendsTheDisplayedLines) {
  ThtmlForm* form = NewForm();
  auto* soft = MakeAs<TTextAreaFormControlObj>(Sym::TextArea, {{Sym::Name, "s"}}, form);
  auto* hard = MakeAs<TTextAreaFormControlObj>(Sym::TextArea, {{Sym::Name, "h"}, {Sym::Wrap, "hard"}}, form);
  const std::string words = "alpha beta gamma delta epsilon zeta eta theta iota kappa lambda";
  for (auto* memo : {soft, hard}) {
    memo->AddStr(words + "\r\n");
    memo->TheControl()->resize(90, 200);
  }
  form->ResetControls();
  const std::vector<std::string> items = form->GetFormSubmission();
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0], "s=" + words);
  ASSERT_GT(hard->Memo()->DisplayedLines().size(), 1u);
  EXPECT_NE(items[1].find("\r\n"), std::string::npos);
  std::string joined;
  for (char ch : items[1].substr(2))
    if (ch != '\r' && ch != '\n') joined += ch;
  std::string plain;
  for (char ch : words)
    if (ch != ' ') plain += ch;
  joined.erase(std::remove(joined.begin(), joined.end(), ' '), joined.end());
  EXPECT_EQ(joined, plain);   // the same text, only broken into lines
}

TEST_F(FormControlsTest, EnterInAnEditSubmitsAfterTheKeyHandlerReturns) {
  CatchSubmissions();
  ThtmlForm* form = NewForm({{Sym::Action, "find"}});
  auto* edit = MakeAs<TEditFormControlObj>(Sym::Input, {{Sym::Name, "q"}}, form);
  edit->SetText("pumps");
  QTest::keyClick(edit->Edit(), Qt::Key_Return);
  EXPECT_TRUE(submitted.empty());   // posted, not yet run
  EXPECT_EQ(edit->Text(), "pumps");
  platform::RunPosted();
  ASSERT_EQ(submitted.size(), 1u);
  EXPECT_EQ(submitted[0].action, "find");
  EXPECT_EQ(submitted[0].method, "get");
  EXPECT_EQ(submitted[0].results, (std::vector<std::string>{"q=pumps"}));
}

TEST_F(FormControlsTest, EachPostedSubmissionKeepsItsOwnData) {
  CatchSubmissions();
  ThtmlForm* form = NewForm();
  auto* edit = MakeAs<TEditFormControlObj>(Sym::Input, {{Sym::Name, "q"}}, form);
  edit->SetText("one");
  form->SubmitTheForm("");
  edit->SetText("two");
  form->SubmitTheForm("b=1");
  platform::RunPosted();
  ASSERT_EQ(submitted.size(), 2u);
  EXPECT_EQ(submitted[0].results, (std::vector<std::string>{"q=one"}));
  EXPECT_EQ(submitted[1].results, (std::vector<std::string>{"q=two", "b=1"}));
}

TEST_F(FormControlsTest, PostedSubmissionIsDroppedWithItsDocument) {
  int calls = 0;
  {
    FormDoc local;
    local.OnFormSubmit = [&](QObject*, const std::string&, const std::string&, const std::string&,
                             const std::string&, const std::vector<std::string>&) { ++calls; };
    auto a = Attrs({});
    ThtmlForm::Create(&local, a.get())->SubmitTheForm("x=1");
  }
  platform::RunPosted();
  EXPECT_EQ(calls, 0);
}

TEST_F(FormControlsTest, ImageInputSendsTheClickPoint) {
  CatchSubmissions();
  ThtmlForm* form = NewForm();
  Make(Sym::Input, {{Sym::Name, "q"}, {Sym::Value, "v"}}, form);
  auto* named = MakeAs<TImageFormControlObj>(Sym::Input, {{Sym::Type, "image"}, {Sym::Name, "N"}, {Sym::OnClick, "go()"}}, form);
  named->XTmp = 12;
  named->YTmp = 34;
  named->ImageClick();
  platform::RunPosted();
  ASSERT_EQ(submitted.size(), 1u);
  EXPECT_EQ(submitted[0].results, (std::vector<std::string>{"q=v", "N.x=12", "N.y=34"}));
  EXPECT_EQ(named->XPos, -1);   // one click, one submission
  EXPECT_EQ(doc.Events, (std::vector<std::string>{"click N go()"}));

  ThtmlForm* other = NewForm();
  auto* plain = MakeAs<TImageFormControlObj>(Sym::Input, {{Sym::Type, "image"}}, other);
  plain->XTmp = 1;
  plain->YTmp = 2;
  plain->ImageClick();
  auto* off = MakeAs<TImageFormControlObj>(Sym::Input, {{Sym::Type, "image"}, {Sym::Disabled, ""}}, other);
  off->ImageClick();   // disabled: no submission
  platform::RunPosted();
  ASSERT_EQ(submitted.size(), 2u);
  EXPECT_EQ(submitted[1].results, (std::vector<std::string>{"x=1", "y=2"}));
}

TEST_F(FormControlsTest, ImageInputSizeIsItsImages) {
  ThtmlForm* form = NewForm();
  auto* image = MakeAs<TImageFormControlObj>(Sym::Input, {{Sym::Type, "image"}}, form);
  auto a = Attrs({{Sym::Src, "none.gif"}, {Sym::Width, "40"}, {Sym::Height, "20"}});
  TImageObj obj(&doc, 0, *a);
  image->LinkImage(&obj);
  EXPECT_EQ(obj.MyFormControl, image);
  obj.ObjWidth = 40;
  obj.ObjHeight = 20;
  EXPECT_EQ(image->Width(), 40);
  EXPECT_EQ(image->Height(), 20);
  image->LinkImage(nullptr);
}

// ---------------------------------------------------------------------------
// Radio groups

TEST_F(FormControlsTest, LaterCheckedRadioWinsAndResetsToIt) {
  ThtmlForm* form = NewForm();
  auto* a = MakeAs<TRadioButtonFormControlObj>(Sym::Input, {{Sym::Type, "radio"}, {Sym::Name, "size"}, {Sym::Value, "s"}, {Sym::Checked, ""}}, form);
  auto* b = MakeAs<TRadioButtonFormControlObj>(Sym::Input, {{Sym::Type, "radio"}, {Sym::Name, "SIZE"}, {Sym::Value, "m"}, {Sym::Checked, ""}}, form);
  auto* c = MakeAs<TRadioButtonFormControlObj>(Sym::Input, {{Sym::Type, "radio"}, {Sym::Name, "size"}, {Sym::Value, "l"}}, form);
  auto* other = MakeAs<TRadioButtonFormControlObj>(Sym::Input, {{Sym::Type, "radio"}, {Sym::Name, "colour"}, {Sym::Value, "red"}, {Sym::Checked, ""}}, form);
  EXPECT_FALSE(a->Checked());
  EXPECT_TRUE(b->Checked());
  EXPECT_FALSE(c->Checked());
  EXPECT_TRUE(other->Checked());
  EXPECT_FALSE(a->IsChecked);
  // Tab stops: the checked one; an unchecked one only as its group's first.
  EXPECT_FALSE(a->TabStop());
  EXPECT_TRUE(b->TabStop());
  EXPECT_FALSE(c->TabStop());
  EXPECT_TRUE(other->TabStop());

  a->SetChecked(true);
  b->SetChecked(false);
  form->ResetControls();
  EXPECT_FALSE(a->Checked());
  EXPECT_TRUE(b->Checked());
  EXPECT_EQ(form->GetFormSubmission(), (std::vector<std::string>{"SIZE=m", "colour=red"}));
}

TEST_F(FormControlsTest, ClickingARadioUnchecksItsGroupAndReportsTheChanges) {
  ThtmlForm* form = NewForm();
  auto* a = MakeAs<TRadioButtonFormControlObj>(Sym::Input, {{Sym::Type, "radio"}, {Sym::Name, "g"}, {Sym::Checked, ""}, {Sym::OnChange, "ca()"}}, form);
  auto* b = MakeAs<TRadioButtonFormControlObj>(Sym::Input, {{Sym::Type, "radio"}, {Sym::Name, "G"}, {Sym::OnClick, "cb()"}}, form);
  auto* c = MakeAs<TRadioButtonFormControlObj>(Sym::Input, {{Sym::Type, "radio"}, {Sym::Name, "g"}}, form);
  auto* other = MakeAs<TRadioButtonFormControlObj>(Sym::Input, {{Sym::Type, "radio"}, {Sym::Name, "h"}, {Sym::Checked, ""}}, form);
  QTest::mouseClick(b->RadioButton(), Qt::LeftButton);
  EXPECT_FALSE(a->Checked());
  EXPECT_TRUE(b->Checked());
  EXPECT_FALSE(c->Checked());
  EXPECT_TRUE(other->Checked());
  EXPECT_TRUE(b->TabStop());
  EXPECT_FALSE(a->TabStop());
  // The one that changed reports it at once; then the click.
  EXPECT_EQ(doc.Events, (std::vector<std::string>{"change g ca()", "click G cb()"}));

  // A second click on a checked button keeps it checked.
  doc.Events.clear();
  QTest::mouseClick(b->RadioButton(), Qt::LeftButton);
  EXPECT_TRUE(b->Checked());
  EXPECT_EQ(doc.Events, (std::vector<std::string>{"click G cb()"}));
}

class FocusTest : public FormControlsTest {
 protected:
  void SetUp() override {
    doc.Panel.show();
    doc.Panel.activateWindow();
    QApplication::setActiveWindow(&doc.Panel);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&doc.Panel));
  }
  void Show(TFormControlObj* c, int x) { c->Place(x, 10); }
};

TEST_F(FocusTest, ArrowKeysMoveAlongTheRadioGroup) {
  ThtmlForm* form = NewForm();
  auto* a = MakeAs<TRadioButtonFormControlObj>(Sym::Input, {{Sym::Type, "radio"}, {Sym::Name, "g"}}, form);
  auto* x = MakeAs<TRadioButtonFormControlObj>(Sym::Input, {{Sym::Type, "radio"}, {Sym::Name, "other"}}, form);
  auto* b = MakeAs<TRadioButtonFormControlObj>(Sym::Input, {{Sym::Type, "radio"}, {Sym::Name, "g"}}, form);
  auto* box = MakeAs<TCheckBoxFormControlObj>(Sym::Input, {{Sym::Type, "checkbox"}}, form);
  int left = 10;
  for (TFormControlObj* c : {static_cast<TFormControlObj*>(a), static_cast<TFormControlObj*>(x),
                             static_cast<TFormControlObj*>(b), static_cast<TFormControlObj*>(box)})
    Show(c, left += 30);
  a->TheControl()->setFocus(Qt::OtherFocusReason);
  ASSERT_TRUE(a->TheControl()->hasFocus());
  QTest::keyClick(a->TheControl(), Qt::Key_Right);
  EXPECT_TRUE(b->TheControl()->hasFocus());
  QTest::keyClick(b->TheControl(), Qt::Key_Down);   // the end: stays
  EXPECT_TRUE(b->TheControl()->hasFocus());
  QTest::keyClick(b->TheControl(), Qt::Key_Up);
  EXPECT_TRUE(a->TheControl()->hasFocus());
  EXPECT_FALSE(a->Checked());   // focus moves, the choice does not
  EXPECT_TRUE(doc.ViewerKeys.empty());
  // Other keys go to the viewer.
  QTest::keyClick(a->TheControl(), Qt::Key_PageDown);
  box->TheControl()->setFocus(Qt::OtherFocusReason);
  QTest::keyClick(box->TheControl(), Qt::Key_Home);
  EXPECT_EQ(doc.ViewerKeys, (std::vector<int>{platform::VK_NEXT, platform::VK_HOME}));
}

TEST_F(FocusTest, FocusEventsAndChangeDetection) {
  ThtmlForm* form = NewForm();
  auto* edit = MakeAs<TEditFormControlObj>(Sym::Input, {{Sym::Name, "e"}, {Sym::OnChange, "ch()"}, {Sym::OnFocus, "fo()"}, {Sym::OnBlur, "bl()"}}, form);
  auto* quiet = MakeAs<TEditFormControlObj>(Sym::Input, {{Sym::Name, "q"}}, form);
  Show(edit, 10);
  Show(quiet, 200);
  edit->TheControl()->setFocus(Qt::TabFocusReason);
  EXPECT_TRUE(edit->Active);
  EXPECT_EQ(doc.Entered, 1);
  quiet->TheControl()->setFocus(Qt::TabFocusReason);   // unchanged: no change event
  EXPECT_FALSE(edit->Active);
  EXPECT_EQ(doc.Events, (std::vector<std::string>{"focus e fo()", "blur e bl()"}));

  doc.Events.clear();
  edit->TheControl()->setFocus(Qt::TabFocusReason);
  QTest::keyClicks(edit->TheControl(), "abc");
  quiet->TheControl()->setFocus(Qt::TabFocusReason);
  EXPECT_EQ(doc.Events, (std::vector<std::string>{"focus e fo()", "change e ch()", "blur e bl()"}));
}

TEST_F(FormControlsTest, ListBoxChangeOfAnyItemIsReported) {
  ThtmlForm* form = NewForm();
  auto* list = MakeAs<TListBoxFormControlObj>(Sym::Select, {{Sym::Name, "l"}, {Sym::Multiple, ""}, {Sym::OnChange, "c"}}, form);
  for (int i = 0; i < 60; ++i) list->AddStr("o" + std::to_string(i), i == 58, nullptr, CP_UTF8);
  form->ResetControls();

  // Entered and left untouched: nothing to report.
  list->FormControlEnter();
  list->FormControlExit();
  EXPECT_TRUE(doc.Events.empty());

  // One item changes, each time a different one, most of them far down the
  // list; entering again takes the changed list as the new starting point.
  struct Case { int item; bool selected; };
  for (const Case c : {Case{55, true}, Case{51, true}, Case{59, true}, Case{58, false}, Case{50, true},
                       Case{0, true}, Case{55, false}}) {
    SCOPED_TRACE(c.item);
    doc.Events.clear();
    list->FormControlEnter();
    list->ListBox()->SetSelected(c.item, c.selected);
    list->FormControlExit();
    EXPECT_EQ(doc.Events, (std::vector<std::string>{"change l c"}));
  }

  // A change undone before leaving is no change.
  doc.Events.clear();
  list->FormControlEnter();
  list->ListBox()->SetSelected(57, true);
  list->ListBox()->SetSelected(57, false);
  list->FormControlExit();
  EXPECT_TRUE(doc.Events.empty());

  auto* combo = MakeAs<TComboFormControlObj>(Sym::Select, {{Sym::Name, "d"}, {Sym::OnChange, "k"}}, form);
  combo->AddStr("a", false, nullptr, CP_UTF8);
  combo->AddStr("b", false, nullptr, CP_UTF8);
  form->ResetControls();
  doc.Events.clear();
  combo->FormControlEnter();
  combo->ComboBox()->SetItemIndex(1);
  combo->FormControlExit();
  EXPECT_EQ(doc.Events, (std::vector<std::string>{"change d k"}));
}

// ---------------------------------------------------------------------------
// File browse and history data

TEST_F(FormControlsTest, BrowseButtonHandsTheEditTextToTheEvent) {
  ThtmlForm* form = NewForm();
  auto a = Attrs({{Sym::Type, "file"}, {Sym::Name, "up"}});
  TNewFormControl made = CreateFormControl(Sym::Input, &doc, pos++, *a, form);
  auto* edit = static_cast<TEditFormControlObj*>(made.Control);
  edit->SetText("old.txt");
  std::string seen;
  doc.OnFileBrowse = [&](QObject*, TFormControlObj* obj, std::string& name) {
    EXPECT_EQ(obj, edit);
    seen = name;
    name = "/tmp/new.txt";
  };
  QTest::mouseClick(made.Browse->Button(), Qt::LeftButton);
  EXPECT_EQ(seen, "old.txt");
  EXPECT_EQ(edit->Text(), "/tmp/new.txt");
  EXPECT_EQ(form->GetFormSubmission(), (std::vector<std::string>{"up=/tmp/new.txt"}));
}

TEST_F(FormControlsTest, FormDataRestoresTheControls) {
  ThtmlForm* form = NewForm();
  auto* edit = MakeAs<TEditFormControlObj>(Sym::Input, {{Sym::Name, "t"}}, form);
  auto* box = MakeAs<TCheckBoxFormControlObj>(Sym::Input, {{Sym::Type, "checkbox"}, {Sym::Name, "c"}, {Sym::Value, "Yes"}}, form);
  auto* r1 = MakeAs<TRadioButtonFormControlObj>(Sym::Input, {{Sym::Type, "radio"}, {Sym::Name, "r"}, {Sym::Value, "1"}, {Sym::Checked, ""}}, form);
  auto* r2 = MakeAs<TRadioButtonFormControlObj>(Sym::Input, {{Sym::Type, "radio"}, {Sym::Name, "r"}, {Sym::Value, "2"}}, form);
  auto* list = MakeAs<TListBoxFormControlObj>(Sym::Select, {{Sym::Name, "l"}, {Sym::Multiple, ""}}, form);
  for (const char* t : {"a", "b", "c"}) list->AddStr(t, false, nullptr, CP_UTF8);
  auto* memo = MakeAs<TTextAreaFormControlObj>(Sym::TextArea, {{Sym::Name, "m"}}, form);
  form->ResetControls();

  edit->SetText("kept");
  box->SetChecked(true);
  r2->FormControlClick();
  list->ListBox()->SetSelected(0, true);
  list->ListBox()->SetSelected(2, true);
  memo->Memo()->SetText("x\r\ny");
  const std::vector<std::vector<std::string>> saved = doc.FormSubmissionData();

  form->ResetControls();
  EXPECT_NE(doc.FormSubmissionData(), saved);
  doc.SetFormSubmissionData(saved);
  EXPECT_EQ(doc.FormSubmissionData(), saved);
  EXPECT_EQ(edit->Text(), "kept");
  EXPECT_TRUE(box->Checked());
  EXPECT_FALSE(r1->Checked());
  EXPECT_TRUE(r2->Checked());

  // Data from a changed page: what does not match is left alone.
  doc.SetFormSubmissionData({{"c=no", "unknown=1"}, {"extra form"}});
  EXPECT_FALSE(box->Checked());
}

// ---------------------------------------------------------------------------
// The sections' control list

TEST_F(FormControlsTest, ControlListByPosition) {
  ThtmlForm* form = NewForm();
  pos = 5;
  TFormControlObj* a = Make(Sym::Input, {{Sym::Type, "checkbox"}}, form);
  pos = 9;
  TFormControlObj* b = Make(Sym::Input, {}, form);
  TFormControlList list;
  list.Add(a);
  list.Add(b);
  EXPECT_EQ(list.FindControl(9), b);
  EXPECT_EQ(list.FindControl(6), nullptr);
  TVAlign align = TVAlign::None;
  int l = 0, r = 0;
  EXPECT_EQ(list.GetHeightAt(5, align), 13 + 2);
  EXPECT_EQ(align, TVAlign::Baseline);
  EXPECT_EQ(list.GetWidthAt(5, l, r), 13);
  EXPECT_EQ(l + r, 2);
  EXPECT_EQ(list.GetHeightAt(4, align), -1);
  EXPECT_EQ(list.GetControlCountAt(6), 3);
  EXPECT_EQ(list.GetControlCountAt(10), kNoObjectCount);
  list.Decrement(7);
  EXPECT_EQ(a->Pos, 5);
  EXPECT_EQ(b->Pos, 8);
}

}  // namespace
