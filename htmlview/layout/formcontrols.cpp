#include "htmlview/layout/formcontrols.h"

#include <QObject>
#include <QPalette>
#include <QWidget>

#include <algorithm>
#include <map>
#include <cstdio>

#include "htmlview/layout/cells.h"
#include "htmlview/layout/imageobj.h"
#include "htmlview/layout/sections.h"
#include "platform/colors.h"
#include "platform/fonts.h"
#include "platform/formwidgets.h"
#include "platform/scrollbar.h"
#include "platform/sysutils.h"
#include "platform/timers.h"

namespace htmlview {

namespace {

// Where a control waits while no line has placed it.
constexpr int kParkedX = -4000;

bool AttrText(const TAttributeList& list, HtmlSymbol symbol, std::string& text) {
  const TAttribute* a = list.Find(symbol);
  if (!a) return false;
  text = a->Name;
  return true;
}

std::string AttrTextOr(const TAttributeList& list, HtmlSymbol symbol, const std::string& fallback) {
  std::string text;
  return AttrText(list, symbol, text) ? text : fallback;
}

// An item of the submission in the code page of its element's text.
std::string ToCodePage(const std::string& utf8, int codePage) {
  if (codePage == 0 || codePage == CP_UTF8) return utf8;
  return WideToStrCP(platform::Utf8ToUtf16(utf8), codePage);
}

bool NamedItem(const std::string& name, const std::string& value, std::string& text) {
  text = name + "=" + value;
  return true;
}

// Check boxes and radio buttons: their one item is empty while unchecked.
bool CheckedItem(int index, bool checked, const std::string& name, const std::string& value,
                 std::string& text) {
  if (index != 0) return false;
  if (checked) return NamedItem(name, value, text);
  text.clear();
  return true;
}

// The objects of an owning list, for plain loops.
template <class T>
std::vector<T*> Items(const TFreeList<T>& list) {
  std::vector<T*> items;
  for (int i = 0; i < list.Count(); ++i) items.push_back(list[i]);
  return items;
}

}  // namespace

// ===========================================================================
// TSectionListForms

TSectionListForms::TSectionListForms() : postContext_(std::make_unique<QObject>()) {}

TSectionListForms::~TSectionListForms() {
  // The controls take themselves out of FormControlList as they go, so the
  // forms go while the list is still whole.
  FormList.Clear();
  FormControlList.clear();
}

void TSectionListForms::SubmitForm(const std::string& action, const std::string& target,
                                   const std::string& encType, const std::string& method,
                                   std::vector<std::string> results) {
  if (!OnFormSubmit) return;
  // Each submission carries its own data: a second one before the first is
  // delivered must not overwrite it.
  platform::Post(postContext_.get(), [this, action, target, encType, method,
                                      results = std::move(results)] {
    if (OnFormSubmit) OnFormSubmit(Owner, action, target, encType, method, results);
  });
}

void TSectionListForms::ClearForms() {
  FormList.Clear();
  FormControlList.clear();
}

void TSectionListForms::SetFormControlSizes(platform::Canvas& canvas) {
  for (ThtmlForm* form : Items(FormList)) form->SetSizes(canvas);
}

void TSectionListForms::HideFormControls() {
  for (TFormControlObj* c : FormControlList) c->ShowIt = false;
}

void TSectionListForms::ShowFormControlsOffScreen() {
  if (!ViewerVisible()) return;
  for (TFormControlObj* c : FormControlList)
    if (!c->ShowIt && c->TheControl()) c->ShowOffScreen();
}

std::vector<std::vector<std::string>> TSectionListForms::FormSubmissionData() const {
  std::vector<std::vector<std::string>> data;
  for (ThtmlForm* form : Items(FormList)) data.push_back(form->GetFormData());
  return data;
}

void TSectionListForms::SetFormSubmissionData(const std::vector<std::vector<std::string>>& data) {
  // The page may have changed since the data was saved: only the forms
  // that exist on both sides are restored.
  const int n = std::min(FormList.Count(), static_cast<int>(data.size()));
  for (int i = 0; i < n; ++i) FormList[i]->SetFormData(data[i]);
}

TSectionListForms* FormsOf(TSectionListBase* root) { return root ? root->Forms() : nullptr; }

// ===========================================================================
// ThtmlForm

ThtmlForm* ThtmlForm::Create(TSectionListBase* master, const TAttributeList* attributes) {
  TSectionListForms* host = FormsOf(master);
  if (!host) throw EProcessError("The document keeps no forms");
  return host->FormList.Add(std::make_unique<ThtmlForm>(master, attributes));
}

ThtmlForm::ThtmlForm(TSectionListBase* master, const TAttributeList* attributes)
    : MasterList(master), host_(FormsOf(master)) {
  if (!attributes) return;
  std::string method;
  if (AttrText(*attributes, HtmlSymbol::Method, method) && !method.empty())
    Method = method.substr(0, 4);
  Action = AttrTextOr(*attributes, HtmlSymbol::Action, "");
  Target = AttrTextOr(*attributes, HtmlSymbol::Target, "");
  EncType = AttrTextOr(*attributes, HtmlSymbol::EncType, "");
}

ThtmlForm::~ThtmlForm() {
  // Controls refer to each other (a browse button to its edit): none may
  // outlive the list half-freed, so they go last first.
  while (ControlList.Count() > 0) ControlList.Delete(ControlList.Count() - 1);
}

TFormControlObj* ThtmlForm::InsertControl(std::unique_ptr<TFormControlObj> control) {
  control->MyForm = this;
  return ControlList.Add(std::move(control));
}

void ThtmlForm::ResetControls() {
  for (TFormControlObj* c : Items(ControlList)) c->ResetToValue();
  SetRadioTabStops();
}

std::vector<std::string> ThtmlForm::GetFormSubmission() const {
  std::vector<std::string> results;
  for (TFormControlObj* c : Items(ControlList)) {
    if (c->Disabled) continue;
    std::string item;
    for (int index = 0; c->GetSubmission(index, item); ++index)
      if (!item.empty()) results.push_back(ToCodePage(item, c->CodePage));
  }
  return results;
}

void ThtmlForm::SubmitTheForm(const std::string& extraItem) {
  if (!host_ || !host_->SubmitAssigned()) return;
  std::vector<std::string> results = GetFormSubmission();
  if (!extraItem.empty()) results.push_back(extraItem);
  host_->SubmitForm(Action, Target, EncType, Method, std::move(results));
}

void ThtmlForm::DoRadios(TFormControlObj* clicked) {
  for (TFormControlObj* c : Items(ControlList)) {
    auto* radio = dynamic_cast<TRadioButtonFormControlObj*>(c);
    if (!radio || radio == clicked || !platform::SameText(radio->FName, clicked->FName)) continue;
    radio->SetChecked(false);
    radio->SetTabStop(false);
    // The others' change shows at once: they never get a focus exit.
    if (host_ && host_->OnObjectChange && radio->Checked() != radio->WasChecked)
      host_->OnObjectChange(host_->Owner, radio, radio->OnChangeMessage);
    // Reported once: the next click in the group must not report it again.
    radio->WasChecked = radio->Checked();
  }
}

bool ThtmlForm::MoveRadioFocus(TFormControlObj* from, bool next) {
  std::vector<TRadioButtonFormControlObj*> group;
  int at = -1;
  for (TFormControlObj* c : Items(ControlList)) {
    auto* radio = dynamic_cast<TRadioButtonFormControlObj*>(c);
    if (!radio || !platform::SameText(radio->FName, from->FName)) continue;
    if (radio == from) at = static_cast<int>(group.size());
    group.push_back(radio);
  }
  if (at < 0) return false;
  const int to = next ? at + 1 : at - 1;
  if (to < 0 || to >= static_cast<int>(group.size())) return false;
  if (QWidget* w = group[to]->TheControl()) w->setFocus(Qt::TabFocusReason);
  return true;
}

void ThtmlForm::SetSizes(platform::Canvas& canvas) {
  for (TFormControlObj* c : Items(ControlList)) c->SetHeightWidth(canvas);
}

std::vector<std::string> ThtmlForm::GetFormData() const {
  std::vector<std::string> data;
  for (TFormControlObj* c : Items(ControlList)) {
    std::string item;
    for (int index = 0; c->GetSubmission(index, item); ++index)
      if (!item.empty()) data.push_back(item);
  }
  return data;
}

void ThtmlForm::SetFormData(const std::vector<std::string>& data) {
  for (TFormControlObj* c : Items(ControlList)) {
    if (dynamic_cast<TButtonFormControlObj*>(c) || dynamic_cast<TImageFormControlObj*>(c)) continue;
    c->SetDataInit();
    int index = 0;
    for (const std::string& item : data) {
      const size_t eq = item.find('=');
      if (eq == std::string::npos || c->FName.empty() || item.compare(0, eq, c->FName) != 0)
        continue;
      c->SetData(index++, item.substr(eq + 1));
    }
  }
  SetRadioTabStops();
}

void ThtmlForm::SetRadioTabStops() {
  // Per group (names without case): the checked button, or the first one
  // when none is checked, as when the page was built.
  std::map<std::string, TRadioButtonFormControlObj*> holder;
  std::vector<TRadioButtonFormControlObj*> radios;
  for (TFormControlObj* c : Items(ControlList)) {
    auto* radio = dynamic_cast<TRadioButtonFormControlObj*>(c);
    if (!radio) continue;
    radios.push_back(radio);
    TRadioButtonFormControlObj*& h = holder[platform::LowerCase(radio->FName)];
    if (!h || (radio->Checked() && !h->Checked())) h = radio;
  }
  for (TRadioButtonFormControlObj* radio : radios)
    radio->SetTabStop(holder[platform::LowerCase(radio->FName)] == radio);
}

// ===========================================================================
// TFormControlObj

TFormControlObj::TFormControlObj(TSectionListBase* master, int position,
                                 const TAttributeList& attributes, ThtmlForm* form)
    : Pos(position), MasterList(master), MyForm(form), host_(FormsOf(master)) {
  if (!MyForm && host_) MyForm = ThtmlForm::Create(master, nullptr);
  if (attributes.Count() > 0) CodePage = attributes[0].CodePage;
  Value = AttrTextOr(attributes, HtmlSymbol::Value, "");
  FName = AttrTextOr(attributes, HtmlSymbol::Name, "");
  FID = AttrTextOr(attributes, HtmlSymbol::Id, "");
  FTitle = AttrTextOr(attributes, HtmlSymbol::Title, "");
  OnClickMessage = AttrTextOr(attributes, HtmlSymbol::OnClick, "");
  OnFocusMessage = AttrTextOr(attributes, HtmlSymbol::OnFocus, "");
  OnBlurMessage = AttrTextOr(attributes, HtmlSymbol::OnBlur, "");
  OnChangeMessage = AttrTextOr(attributes, HtmlSymbol::OnChange, "");
  if (const TAttribute* a = attributes.Find(HtmlSymbol::Disabled))
    Disabled = !platform::SameText(a->Name, "no") && a->Name != "0";
  Readonly = attributes.Find(HtmlSymbol::ReadOnly) != nullptr;
  if (const TAttribute* a = attributes.Find(HtmlSymbol::TabIndex)) TabIndex = a->Value;

  if (host_) {
    host_->FormControlList.push_back(this);
    if (!FID.empty()) host_->AddIDObject(FID, this);
    if (TabIndex > 0) {
      char key[32];
      std::snprintf(key, sizeof key, "%.5d%.3d", TabIndex, host_->TabOrderCount());
      host_->AddControlTabOrder(key, this);
    }
  }
}

TFormControlObj::~TFormControlObj() {
  if (host_) {
    auto& list = host_->FormControlList;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    host_->RemoveIDObject(this);
  }
  delete widget_.data();
}

template <class W>
W* TFormControlObj::Adopt(W* widget) {
  widget_ = widget;
  if (host_ && host_->PaintPanel()) widget->setParent(host_->PaintPanel());
  widget->hide();
  widget->move(kParkedX, 0);
  widget->setEnabled(!Disabled);
  widget->OnEnter = [this] { FormControlEnter(); };
  widget->OnExit = [this] { FormControlExit(); };
  widget->OnClick = [this] { FormControlClick(); };
  widget->OnMouseMove = [this](platform::ShiftState s, int x, int y) { FormControlMouseMove(s, x, y); };
  return widget;
}

void TFormControlObj::FireObjectChange() {
  if (host_ && host_->OnObjectChange) host_->OnObjectChange(host_->Owner, this, OnChangeMessage);
}

int TFormControlObj::UseFont(platform::Canvas& canvas) {
  canvas.font = Font;
  return canvas.TextHeight("A");
}

void TFormControlObj::SizeControl(int width, int height, int parkedWidth) {
  if (!widget_) return;
  if (PercentWidth) {
    // The line layout gives it its width.
    widget_->move(kParkedX, widget_->y());
    width = parkedWidth;
  }
  widget_->resize(width, height);
}

void TFormControlObj::ApplyControlColour() {
  if (!widget_ || BkColor == NoColorValue) return;
  QPalette p = widget_->palette();
  p.setColor(QPalette::Base, platform::ToQColor(BkColor));
  widget_->setPalette(p);
}

void TFormControlObj::ProcessProperties(TProperties& prop) {
  if (prop.CodePage != 0) CodePage = prop.CodePage;
  Font = prop.GetFont();
  if (widget_) widget_->setFont(platform::ToQFont(Font));
  TMarginArray m;
  // Percentages of a base of 100 come out as the percentage itself.
  ConvInlineMargArray(prop.GetVMarginArray(), 100, 200, prop.EmSize, prop.ExSize, m);
  auto set = [](int v) { return v != UnsetLength && v != LengthAuto; };
  if (set(m[PropMarginLeft])) HSpaceL = m[PropMarginLeft];
  if (set(m[PropMarginRight])) HSpaceR = m[PropMarginRight];
  if (set(m[PropMarginTop])) VSpaceT = m[PropMarginTop];
  if (set(m[PropMarginBottom])) VSpaceB = m[PropMarginBottom];
  if (prop.HasBorderStyle()) {
    HSpaceL += m[PropBorderLeftWidth];
    HSpaceR += m[PropBorderRightWidth];
    BordT = m[PropBorderTopWidth];
    BordB = m[PropBorderBottomWidth];
    VSpaceT += BordT;
    VSpaceB += BordB;
  }
  if (m[PropWidth] > 0) {
    const PropValue& w = prop.Props[PropWidth];
    if (w.IsText() && w.Text().find('%') != std::string::npos) {
      // A percentage above 100 is ignored.
      if (m[PropWidth] <= 100) {
        FWidth = m[PropWidth];
        PercentWidth = true;
      }
    } else {
      FWidth = m[PropWidth];
      PercentWidth = false;
    }
  }
  if (m[PropHeight] > 0) FHeight = m[PropHeight] - BordT - BordB;
  TVAlign align = TVAlign::None;
  if (prop.GetVertAlign(align)) VertAlign = align;
  platform::Colour colour;
  if (prop.GetBackgroundColor(colour)) BkColor = colour;
}

void TFormControlObj::Draw(platform::Canvas& canvas, int x, int y) {
  // A plain box in the window colour, without the value: no page draws it
  // (printed pages leave controls out).
  const platform::Rect r{x, y, x + Width(), y + Height()};
  canvas.brush.color = platform::clWindow;
  canvas.FillRect(r);
  canvas.brush.color = platform::clBtnShadow;
  canvas.FrameRect(r);
}

int TFormControlObj::Width() const { return widget_ ? widget_->width() : 0; }
int TFormControlObj::Height() const { return widget_ ? widget_->height() : 0; }
int TFormControlObj::Left() const { return widget_ ? widget_->x() : kParkedX; }
int TFormControlObj::Top() const { return widget_ ? widget_->y() : 0; }

void TFormControlObj::SetWidth(int width) {
  if (widget_) widget_->resize(width, widget_->height());
}

void TFormControlObj::Place(int x, int y) {
  ShowIt = true;
  if (!widget_) return;
  widget_->move(x, y);
  widget_->show();
}

void TFormControlObj::Hide() {
  ShowIt = false;
  if (widget_) widget_->hide();
}

void TFormControlObj::ShowOffScreen() {
  if (!widget_) return;
  widget_->move(kParkedX, widget_->y());
  widget_->show();
}

void TFormControlObj::FormControlEnter() {
  Active = true;
  if (host_) {
    host_->InvalidatePaintPanel();
    host_->ControlEntered(*this);
    if (host_->OnObjectFocus && !OnFocusMessage.empty())
      host_->OnObjectFocus(host_->Owner, this, OnFocusMessage);
  }
  if (!OnChangeMessage.empty()) SaveContents();
}

void TFormControlObj::FormControlExit() {
  Active = false;
  if (!OnChangeMessage.empty()) DoOnChange();
  if (host_) {
    if (host_->OnObjectBlur && !OnBlurMessage.empty())
      host_->OnObjectBlur(host_->Owner, this, OnBlurMessage);
    host_->InvalidatePaintPanel();
  }
}

void TFormControlObj::FormControlClick() {
  if (host_ && host_->OnObjectClick) host_->OnObjectClick(host_->Owner, this, OnClickMessage);
}

void TFormControlObj::FormControlMouseMove(platform::ShiftState shift, int x, int y) {
  if (host_) host_->ControlMouseMove(*this, shift, x, y);
}

// ===========================================================================
// Hidden

THiddenFormControlObj::THiddenFormControlObj(TSectionListBase* master, int position,
                                             const TAttributeList& attributes, ThtmlForm* form)
    : TFormControlObj(master, position, attributes, form) {}

bool THiddenFormControlObj::GetSubmission(int index, std::string& text) {
  if (index != 0) return false;
  return NamedItem(FName, Value, text);
}

void THiddenFormControlObj::SetData(int index, const std::string& value) {
  if (index == 0) Value = value;
}

// ===========================================================================
// Edit

TEditFormControlObj::TEditFormControlObj(TSectionListBase* master, int position,
                                         const TAttributeList& attributes, const std::string& typ,
                                         ThtmlForm* form)
    : TFormControlObj(master, position, attributes, form) {
  IsPassword = platform::SameText(typ, "password");
  IsFile = platform::SameText(typ, "file");
  std::string size;
  if (AttrText(attributes, HtmlSymbol::Size, size)) {
    // "20,3" gives 20: the number before the first comma or blank.
    const size_t cut = size.find_first_of(", ");
    EditSize = platform::StrToIntDef(platform::Trim(size.substr(0, cut)), 20);
  }
  auto* edit = Adopt(new platform::FormEdit(nullptr, IsPassword));
  edit->resize(120, edit->sizeHint().height());
  edit->SetReadOnly(Readonly);
  if (const TAttribute* a = attributes.Find(HtmlSymbol::MaxLength); a && a->Value > 0)
    edit->SetMaxLength(a->Value);
  edit->OnKeyDown = [this](int& key, platform::ShiftState shift) { KeyDown(key, shift); };
  edit->SetText(Value);
}

platform::FormEdit* TEditFormControlObj::Edit() const {
  return static_cast<platform::FormEdit*>(widget_.data());
}

std::string TEditFormControlObj::Text() const { return Edit() ? Edit()->Text() : std::string(); }

void TEditFormControlObj::SetText(const std::string& text) {
  if (Edit()) Edit()->SetText(text);
}

void TEditFormControlObj::KeyDown(int& key, platform::ShiftState shift) {
  (void)shift;
  if (key != platform::VK_RETURN) return;
  // Enter submits, with no button's item; the edit keeps nothing of it.
  key = 0;
  if (MyForm) MyForm->SubmitTheForm("");
}

void TEditFormControlObj::DoOnChange() {
  if (Text() != EnterContents) FireObjectChange();
}

void TEditFormControlObj::SaveContents() { EnterContents = Text(); }

void TEditFormControlObj::ProcessProperties(TProperties& prop) {
  TFormControlObj::ProcessProperties(prop);
  ApplyControlColour();
}

void TEditFormControlObj::ResetToValue() { SetText(Value); }

bool TEditFormControlObj::GetSubmission(int index, std::string& text) {
  if (index != 0) return false;
  return NamedItem(FName, Text(), text);
}

void TEditFormControlObj::SetData(int index, const std::string& value) {
  if (index == 0) SetText(value);
}

void TEditFormControlObj::SetHeightWidth(platform::Canvas& canvas) {
  const int textHeight = UseFont(canvas);
  tmAveCharWidth = platform::GetTextMetrics(Font).aveCharWidth;
  const int height = std::max(FHeight, std::max(textHeight, 10));
  SizeControl(FWidth >= 10 ? FWidth : SaturatedAdd(SaturatedMul(EditSize, tmAveCharWidth), 23), height, 10);
}

// ===========================================================================
// Button

TButtonFormControlObj::TButtonFormControlObj(TSectionListBase* master, int position,
                                             const TAttributeList& attributes,
                                             const std::string& typ, ThtmlForm* form,
                                             TEditFormControlObj* myEdit)
    : TFormControlObj(master, position, attributes, form), MyEdit(myEdit) {
  std::string caption;
  if (platform::SameText(typ, "reset")) {
    Which = bkReset;
    caption = "Reset";
  } else if (platform::SameText(typ, "button")) {
    Which = bkButton;
    caption = "Button";
  } else if (platform::SameText(typ, "browse")) {
    Which = bkBrowse;
  } else {
    Which = bkSubmit;
    caption = "Submit";
  }
  if (Which == bkBrowse) {
    // The browse button is part of its FILE input: the name, value and ID
    // are the edit's.
    FName.clear();
    Value.clear();
    FID.clear();
    caption = "Browse...";
  } else if (!Value.empty()) {
    caption = Value;
  }
  auto* button = Adopt(new platform::FormButton);
  button->SetCaption(caption);
}

platform::FormButton* TButtonFormControlObj::Button() const {
  return static_cast<platform::FormButton*>(widget_.data());
}

std::string TButtonFormControlObj::Caption() const {
  return Button() ? Button()->Caption() : std::string();
}

void TButtonFormControlObj::SetHeightWidth(platform::Canvas& canvas) {
  const int textHeight = UseFont(canvas);
  const int height = textHeight + 8 > FHeight ? textHeight + 8 : FHeight;
  const int width =
      FWidth >= 10 && !PercentWidth ? FWidth : canvas.TextWidth(Caption()) + 20;
  if (widget_) widget_->resize(width, height);
}

void TButtonFormControlObj::FormControlClick() {
  TFormControlObj::FormControlClick();
  switch (Which) {
    case bkSubmit:
      if (MyForm) MyForm->SubmitTheForm(FName.empty() ? std::string() : FName + "=" + Value);
      break;
    case bkReset:
      if (MyForm) MyForm->ResetControls();
      break;
    case bkBrowse:
      if (Host() && Host()->OnFileBrowse && MyEdit) {
        std::string fileName = MyEdit->Text();
        Host()->OnFileBrowse(Host()->Owner, MyEdit, fileName);
        MyEdit->SetText(fileName);
      }
      break;
    default:
      break;
  }
}

// ===========================================================================
// Check box

TCheckBoxFormControlObj::TCheckBoxFormControlObj(TSectionListBase* master, int position,
                                                 const TAttributeList& attributes, ThtmlForm* form)
    : TFormControlObj(master, position, attributes, form) {
  if (Value.empty()) Value = "on";
  IsChecked = attributes.Find(HtmlSymbol::Checked) != nullptr;
  WasChecked = IsChecked;
  VertAlign = TVAlign::Baseline;
  auto* box = Adopt(new platform::FormCheckBox);
  box->resize(13, 13);
  box->SetChecked(IsChecked);
  box->OnKeyDown = [this](int& key, platform::ShiftState shift) { KeyDown(key, shift); };
}

platform::FormCheckBox* TCheckBoxFormControlObj::CheckBox() const {
  return static_cast<platform::FormCheckBox*>(widget_.data());
}

bool TCheckBoxFormControlObj::Checked() const { return CheckBox() && CheckBox()->Checked(); }

void TCheckBoxFormControlObj::SetChecked(bool checked) {
  if (CheckBox()) CheckBox()->SetChecked(checked);
}

void TCheckBoxFormControlObj::KeyDown(int& key, platform::ShiftState shift) {
  if (Host()) Host()->ControlKeyDown(*this, key, shift);
}

void TCheckBoxFormControlObj::DoOnChange() {
  if (Checked() != WasChecked) FireObjectChange();
}

void TCheckBoxFormControlObj::SaveContents() { WasChecked = Checked(); }

void TCheckBoxFormControlObj::ResetToValue() { SetChecked(IsChecked); }

bool TCheckBoxFormControlObj::GetSubmission(int index, std::string& text) {
  return CheckedItem(index, Checked(), FName, Value, text);
}

void TCheckBoxFormControlObj::SetData(int index, const std::string& value) {
  (void)index;
  if (platform::SameText(value, Value)) SetChecked(true);
}

void TCheckBoxFormControlObj::SetDataInit() { SetChecked(false); }

// ===========================================================================
// Radio button

TRadioButtonFormControlObj::TRadioButtonFormControlObj(TSectionListBase* master, int position,
                                                       const TAttributeList& attributes,
                                                       ThtmlForm* form)
    : TFormControlObj(master, position, attributes, form) {
  IsChecked = attributes.Find(HtmlSymbol::Checked) != nullptr;
  VertAlign = TVAlign::Baseline;
  auto* radio = Adopt(new platform::FormRadioButton);
  radio->GroupName = FName;
  const bool large = Host() && Host()->ScreenPixelsPerInch() > 100;
  radio->resize(large ? 16 : 13, large ? 16 : 14);
  radio->SetChecked(IsChecked);
  radio->OnKeyDown = [this](int& key, platform::ShiftState shift) { KeyDown(key, shift); };

  // The earlier buttons of the group (this one is not in the form yet).
  bool earlier = false;
  if (MyForm)
    for (TFormControlObj* c : Items(MyForm->ControlList)) {
      auto* other = dynamic_cast<TRadioButtonFormControlObj*>(c);
      if (!other || !platform::SameText(other->FName, FName)) continue;
      earlier = true;
      if (IsChecked) {
        // The later of two checked buttons wins, for resets too.
        other->SetChecked(false);
        other->IsChecked = false;
        other->WasChecked = false;
        other->SetTabStop(false);
      }
    }
  SetTabStop(IsChecked || !earlier);
  WasChecked = IsChecked;
}

platform::FormRadioButton* TRadioButtonFormControlObj::RadioButton() const {
  return static_cast<platform::FormRadioButton*>(widget_.data());
}

bool TRadioButtonFormControlObj::Checked() const {
  return RadioButton() && RadioButton()->Checked();
}

void TRadioButtonFormControlObj::SetChecked(bool checked) {
  if (RadioButton()) RadioButton()->SetChecked(checked);
}

bool TRadioButtonFormControlObj::TabStop() const {
  return RadioButton() && RadioButton()->TabStop();
}

void TRadioButtonFormControlObj::SetTabStop(bool on) {
  if (RadioButton()) RadioButton()->SetTabStop(on);
}

void TRadioButtonFormControlObj::KeyDown(int& key, platform::ShiftState shift) {
  using namespace platform;
  if (key == VK_LEFT || key == VK_UP || key == VK_RIGHT || key == VK_DOWN) {
    if (MyForm) MyForm->MoveRadioFocus(this, key == VK_RIGHT || key == VK_DOWN);
    key = 0;
    return;
  }
  if (Host()) Host()->ControlKeyDown(*this, key, shift);
}

void TRadioButtonFormControlObj::DoOnChange() {
  if (Checked() != WasChecked) FireObjectChange();
}

void TRadioButtonFormControlObj::SaveContents() { WasChecked = Checked(); }

void TRadioButtonFormControlObj::ResetToValue() {
  SetChecked(IsChecked);
  WasChecked = IsChecked;
}

bool TRadioButtonFormControlObj::GetSubmission(int index, std::string& text) {
  return CheckedItem(index, Checked(), FName, Value, text);
}

void TRadioButtonFormControlObj::SetData(int index, const std::string& value) {
  (void)index;
  if (value == Value) SetChecked(true);
}

// As check boxes: otherwise the button checked at load time would stay
// checked beside the restored one.
void TRadioButtonFormControlObj::SetDataInit() { SetChecked(false); }

void TRadioButtonFormControlObj::FormControlClick() {
  SetChecked(true);
  SetTabStop(true);
  if (MyForm) MyForm->DoRadios(this);
  TFormControlObj::FormControlClick();
}

// ===========================================================================
// Options

void ThtOptionStringList::AddObject(const std::string& text, std::unique_ptr<TOptionObj> option) {
  texts_.push_back(text);
  options_.push_back(std::move(option));
}

void ThtOptionStringList::Clear() {
  texts_.clear();
  options_.clear();
}

TOptionListControlObj::TOptionListControlObj(TSectionListBase* master, int position,
                                             const TAttributeList& attributes, ThtmlForm* form)
    : TFormControlObj(master, position, attributes, form) {
  if (const TAttribute* a = attributes.Find(HtmlSymbol::Size)) LBSize = a->Value;
}

void TOptionListControlObj::AddStr(const std::string& text, bool selected,
                                   const TAttributeList* attributes, int codePage) {
  (void)codePage;   // the text is UTF-8 already
  auto option = std::make_unique<TOptionObj>();
  option->Selected = selected;
  std::string value;
  option->Value = attributes && AttrText(*attributes, HtmlSymbol::Value, value) ? value : text;
  TheOptions.AddObject(text, std::move(option));
}

std::string TOptionListControlObj::ShownText(const std::string& text) {
  return text.empty() ? std::string(" ") : text;
}

void TOptionListControlObj::ProcessProperties(TProperties& prop) {
  TFormControlObj::ProcessProperties(prop);
  ApplyControlColour();
}

void TOptionListControlObj::MeasureLongest(platform::Canvas& canvas) {
  Longest = 0;
  for (int i = 0; i < TheOptions.Count(); ++i)
    Longest = std::max(Longest, canvas.TextWidth(ShownText(TheOptions.Strings(i))));
}

int TOptionListControlObj::OptionWidth(platform::Canvas& canvas) {
  MeasureLongest(canvas);
  return FWidth >= 10 && !PercentWidth ? FWidth : platform::kScrollBarSize + Longest + 10;
}

// ===========================================================================
// List box

TListBoxFormControlObj::TListBoxFormControlObj(TSectionListBase* master, int position,
                                               const TAttributeList& attributes, ThtmlForm* form)
    : TOptionListControlObj(master, position, attributes, form) {
  Multiple = attributes.Find(HtmlSymbol::Multiple) != nullptr;
  auto* list = Adopt(new platform::FormListBox);
  list->SetMultiSelect(Multiple);
}

platform::FormListBox* TListBoxFormControlObj::ListBox() const {
  return static_cast<platform::FormListBox*>(widget_.data());
}

void TListBoxFormControlObj::ResetToValue() {
  platform::FormListBox* list = ListBox();
  if (!list) return;
  list->Clear();
  for (int i = 0; i < TheOptions.Count(); ++i) list->AddItem(ShownText(TheOptions.Strings(i)));
  if (Multiple) {
    for (int i = 0; i < TheOptions.Count(); ++i)
      if (TheOptions.Selected(i)) list->SetSelected(i, true);
  } else {
    int index = TheOptions.Count() > 0 ? 0 : -1;
    for (int i = 0; i < TheOptions.Count(); ++i)
      if (TheOptions.Selected(i)) index = i;
    list->SetItemIndex(index);
  }
  list->SetTopIndex(0);
}

void TListBoxFormControlObj::SaveContents() {
  platform::FormListBox* list = ListBox();
  SavedFlags.assign(list ? list->ItemCount() : 0, false);
  for (int i = 0; i < static_cast<int>(SavedFlags.size()); ++i) SavedFlags[i] = list->Selected(i);
}

void TListBoxFormControlObj::DoOnChange() {
  platform::FormListBox* list = ListBox();
  if (!list) return;
  bool changed = list->ItemCount() != static_cast<int>(SavedFlags.size());
  for (int i = 0; i < list->ItemCount() && !changed; ++i) changed = list->Selected(i) != SavedFlags[i];
  if (changed) FireObjectChange();
}

bool TListBoxFormControlObj::GetSubmission(int index, std::string& text) {
  platform::FormListBox* list = ListBox();
  if (!list || index >= list->ItemCount() || index >= TheOptions.Count()) return false;
  const bool chosen = Multiple ? list->Selected(index) : list->ItemIndex() == index;
  if (!chosen) {
    text.clear();
    return true;
  }
  return NamedItem(FName, TheOptions.Value(index), text);
}

void TListBoxFormControlObj::SetData(int index, const std::string& value) {
  platform::FormListBox* list = ListBox();
  if (!list) return;
  if (index == 0) list->ClearSelection();
  for (int i = 0; i < TheOptions.Count(); ++i)
    if (TheOptions.Value(i) == value) {
      if (Multiple)
        list->SetSelected(i, true);
      else
        list->SetItemIndex(i);
    }
}

void TListBoxFormControlObj::SetHeightWidth(platform::Canvas& canvas) {
  const int textHeight = UseFont(canvas);
  platform::FormListBox* list = ListBox();
  if (!list) return;
  const int rows = LBSize > 0 ? LBSize : std::min(8, std::max(1, TheOptions.Count()));
  const int frame = 2 * list->frameWidth();
  const int height = FHeight >= 10 ? FHeight : SaturatedAdd(SaturatedMul(textHeight, rows), frame);
  SizeControl(OptionWidth(canvas), height, 10);
}

// ===========================================================================
// Drop-down list

TComboFormControlObj::TComboFormControlObj(TSectionListBase* master, int position,
                                           const TAttributeList& attributes, ThtmlForm* form)
    : TOptionListControlObj(master, position, attributes, form) {
  Adopt(new platform::FormComboBox);
}

platform::FormComboBox* TComboFormControlObj::ComboBox() const {
  return static_cast<platform::FormComboBox*>(widget_.data());
}

void TComboFormControlObj::ResetToValue() {
  platform::FormComboBox* combo = ComboBox();
  if (!combo) return;
  combo->Clear();
  for (int i = 0; i < TheOptions.Count(); ++i) combo->AddItem(ShownText(TheOptions.Strings(i)));
  int index = TheOptions.Count() > 0 ? 0 : -1;
  for (int i = 0; i < TheOptions.Count(); ++i)
    if (TheOptions.Selected(i)) index = i;
  combo->SetItemIndex(index);
}

void TComboFormControlObj::SaveContents() { EnterIndex = ComboBox() ? ComboBox()->ItemIndex() : -1; }

void TComboFormControlObj::DoOnChange() {
  if (ComboBox() && ComboBox()->ItemIndex() != EnterIndex) FireObjectChange();
}

bool TComboFormControlObj::GetSubmission(int index, std::string& text) {
  if (index != 0) return false;
  const int chosen = ComboBox() ? ComboBox()->ItemIndex() : -1;
  if (chosen < 0 || chosen >= TheOptions.Count()) {
    text.clear();
    return true;
  }
  return NamedItem(FName, TheOptions.Value(chosen), text);
}

void TComboFormControlObj::SetData(int index, const std::string& value) {
  (void)index;
  for (int i = 0; i < TheOptions.Count(); ++i)
    if (TheOptions.Value(i) == value && ComboBox()) ComboBox()->SetItemIndex(i);
}

void TComboFormControlObj::SetHeightWidth(platform::Canvas& canvas) {
  const int textHeight = UseFont(canvas);
  platform::FormComboBox* combo = ComboBox();
  if (!combo) return;
  const int height = FHeight >= 10 ? FHeight : std::max(combo->sizeHint().height(), textHeight + 8);
  SizeControl(OptionWidth(canvas), height, 10);
}

// ===========================================================================
// Text area

TTextAreaFormControlObj::TTextAreaFormControlObj(TSectionListBase* master, int position,
                                                 const TAttributeList& attributes, ThtmlForm* form)
    : TFormControlObj(master, position, attributes, form) {
  if (const TAttribute* a = attributes.Find(HtmlSymbol::Rows); a && a->Value > 0) Rows = a->Value;
  if (const TAttribute* a = attributes.Find(HtmlSymbol::Cols); a && a->Value > 0) Cols = a->Value;
  std::string wrap;
  if (AttrText(attributes, HtmlSymbol::Wrap, wrap)) {
    if (platform::SameText(wrap, "off"))
      Wrap = wrapOff;
    else if (platform::SameText(wrap, "hard") || platform::SameText(wrap, "physical"))
      Wrap = wrapHard;
    else
      Wrap = wrapSoft;
  }
  auto* memo = Adopt(new platform::FormMemo);
  memo->SetWordWrap(Wrap != wrapOff);
  memo->setReadOnly(Readonly);
}

platform::FormMemo* TTextAreaFormControlObj::Memo() const {
  return static_cast<platform::FormMemo*>(widget_.data());
}

std::string TTextAreaFormControlObj::Text() const { return Memo() ? Memo()->Text() : std::string(); }

void TTextAreaFormControlObj::AddStr(const std::string& line) { TheText += line; }

void TTextAreaFormControlObj::DoOnChange() {
  if (Text() != EnterContents) FireObjectChange();
}

void TTextAreaFormControlObj::SaveContents() { EnterContents = Text(); }

void TTextAreaFormControlObj::ResetToValue() {
  if (!Memo()) return;
  // The parser ends every line with CR LF; the last one ends the content,
  // it does not start an empty line.
  std::string text = TheText;
  if (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0) text.resize(text.size() - 2);
  Memo()->SetText(text);
}

bool TTextAreaFormControlObj::GetSubmission(int index, std::string& text) {
  if (index != 0) return false;
  if (Wrap != wrapHard || !Memo()) return NamedItem(FName, Text(), text);
  std::string joined;
  const std::vector<std::string> lines = Memo()->DisplayedLines();
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) joined += "\r\n";
    joined += lines[i];
  }
  return NamedItem(FName, joined, text);
}

void TTextAreaFormControlObj::SetData(int index, const std::string& value) {
  if (index == 0 && Memo()) Memo()->SetText(value);
}

void TTextAreaFormControlObj::SetHeightWidth(platform::Canvas& canvas) {
  const int textHeight = UseFont(canvas);
  platform::FormMemo* memo = Memo();
  if (!memo) return;
  const int frame = 2 * memo->frameWidth();
  const int height = FHeight >= 10 ? FHeight : SaturatedAdd(SaturatedMul(textHeight, Rows), 5 + frame);
  SizeControl(FWidth >= 10 ? FWidth : SaturatedAdd(SaturatedMul(canvas.TextWidth("s"), Cols), 5 + frame), height,
              50);
}

// ===========================================================================
// Image input

TImageFormControlObj::TImageFormControlObj(TSectionListBase* master, int position,
                                           const TAttributeList& attributes, ThtmlForm* form)
    : TFormControlObj(master, position, attributes, form) {
  // The image is what shows; the button only takes the keyboard focus.
  auto* button = Adopt(new platform::FormButton);
  button->resize(1, 1);
  // A Space on the focused button clicks the image.
  button->OnClick = [this] { ImageClick(); };
}

void TImageFormControlObj::LinkImage(TImageObj* image) {
  MyImage = image;
  if (image) image->MyFormControl = this;
}

int TImageFormControlObj::Width() const { return MyImage ? MyImage->ObjWidth : 0; }
int TImageFormControlObj::Height() const { return MyImage ? MyImage->ObjHeight : 0; }

void TImageFormControlObj::ProcessProperties(TProperties& prop) {
  if (MyImage) MyImage->ProcessProperties(prop);
}

bool TImageFormControlObj::GetSubmission(int index, std::string& text) {
  if (XPos < 0 || index > 1) return false;
  const std::string prefix = FName.empty() ? std::string() : FName + ".";
  if (index == 0) {
    text = prefix + "x=" + std::to_string(XPos);
  } else {
    text = prefix + "y=" + std::to_string(YPos);
    // One click, one submission.
    XPos = -1;
  }
  return true;
}

void TImageFormControlObj::ImageClick() {
  if (QWidget* w = TheControl(); w && w->isEnabled() && w->isVisible()) w->setFocus(Qt::MouseFocusReason);
  TFormControlObj::FormControlClick();
  XPos = XTmp;
  YPos = YTmp;
  if (!Disabled && MyForm) MyForm->SubmitTheForm("");
}

// ===========================================================================
// Making controls

TNewFormControl CreateFormControl(HtmlSymbol tag, TSectionListBase* master, int position,
                                  const TAttributeList& attributes, ThtmlForm* form) {
  if (!form) form = ThtmlForm::Create(master, nullptr);
  TNewFormControl made;
  auto insert = [&](std::unique_ptr<TFormControlObj> c) { return form->InsertControl(std::move(c)); };
  if (tag == HtmlSymbol::Input) {
    const std::string typ = platform::LowerCase(platform::Trim(AttrTextOr(attributes, HtmlSymbol::Type, "")));
    if (typ == "submit" || typ == "reset" || typ == "button") {
      made.Control = insert(std::make_unique<TButtonFormControlObj>(master, position, attributes, typ, form));
    } else if (typ == "radio") {
      made.Control = insert(std::make_unique<TRadioButtonFormControlObj>(master, position, attributes, form));
    } else if (typ == "checkbox") {
      made.Control = insert(std::make_unique<TCheckBoxFormControlObj>(master, position, attributes, form));
    } else if (typ == "hidden") {
      made.Control = insert(std::make_unique<THiddenFormControlObj>(master, position, attributes, form));
    } else if (typ == "image") {
      made.Control = insert(std::make_unique<TImageFormControlObj>(master, position, attributes, form));
    } else {
      auto* edit = static_cast<TEditFormControlObj*>(
          insert(std::make_unique<TEditFormControlObj>(master, position, attributes, typ, form)));
      made.Control = edit;
      if (edit->IsFile)
        made.Browse = static_cast<TButtonFormControlObj*>(insert(std::make_unique<TButtonFormControlObj>(
            master, position + 1, attributes, "browse", form, edit)));
    }
  } else if (tag == HtmlSymbol::Select) {
    const TAttribute* size = attributes.Find(HtmlSymbol::Size);
    if (attributes.Find(HtmlSymbol::Multiple) || (size && size->Value >= 2))
      made.Control = insert(std::make_unique<TListBoxFormControlObj>(master, position, attributes, form));
    else
      made.Control = insert(std::make_unique<TComboFormControlObj>(master, position, attributes, form));
  } else {
    made.Control = insert(std::make_unique<TTextAreaFormControlObj>(master, position, attributes, form));
  }
  return made;
}

// ===========================================================================
// TFormControlList

// Controls stand in text order (each is added at the end of its section's
// text), so positions are found by binary search.
int TFormControlList::FirstAtOrAfter(int pos) const {
  const auto it =
      std::partition_point(items_.begin(), items_.end(), [pos](const TFormControlObj* c) { return c->Pos < pos; });
  return static_cast<int>(it - items_.begin());
}

TFormControlObj* TFormControlList::FindControl(int pos) const {
  const int i = FirstAtOrAfter(pos);
  return i < Count() && items_[i]->Pos == pos ? items_[i] : nullptr;
}

int TFormControlList::GetHeightAt(int pos, TVAlign& align) const {
  TFormControlObj* c = FindControl(pos);
  if (!c) return -1;
  align = c->VertAlign;
  return c->Height() + c->VSpaceT + c->VSpaceB;
}

int TFormControlList::GetWidthAt(int pos, int& hSpaceL, int& hSpaceR) const {
  TFormControlObj* c = FindControl(pos);
  if (!c) return -1;
  hSpaceL = c->HSpaceL;
  hSpaceR = c->HSpaceR;
  return c->Width();
}

int TFormControlList::GetControlCountAt(int pos) const {
  const int i = FirstAtOrAfter(pos);
  return i < Count() ? std::min(kNoObjectCount, items_[i]->Pos - pos) : kNoObjectCount;
}

void TFormControlList::Decrement(int n) {
  for (TFormControlObj* c : items_)
    if (c->Pos > n) --c->Pos;
}

}  // namespace htmlview
