#pragma once
// HTML forms. A form (ThtmlForm) owns the controls of one FORM element, in
// document order, resets them and builds the submission. Each control kind
// (a TFormControlObj) reads its attributes, owns its native control (edit,
// button, check box, radio button, list box, drop-down list, memo; see
// platform/formwidgets.h), sizes it with the element's font, knows its value
// for submission and its initial value, and fires the viewer's object events.
// Text sections place the controls on their lines; a control that is not
// placed waits off-screen at x -4000, so it keeps its place in the tab order.
//
// Forms and controls read the shared state of the document through
// TSectionListForms: the document root implements it beside
// TSectionListBase, and FormsOf() finds it. It keeps the form list (which
// owns the forms), the list of every control and the viewer's form events.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QPointer>

#include "htmlview/parse/attributes.h"
#include "htmlview/style/styleprops.h"
#include "htmlview/parse/viewutils.h"
#include "platform/canvas.h"
#include "platform/keys.h"

class QObject;
class QWidget;

namespace platform {
class FormEdit;
class FormButton;
class FormCheckBox;
class FormRadioButton;
class FormListBox;
class FormComboBox;
class FormMemo;
}  // namespace platform

namespace htmlview {

class TSectionListBase;
class TImageObj;
class ThtmlForm;
class TFormControlObj;

// The form controls work in wide characters (every Qt control does): the
// reader decodes references in VALUE attributes and TEXTAREA content with
// the element's code page, and submitted text goes back to that code page.
constexpr bool kUnicodeFormControls = true;

// Events of the viewer, fired by the controls; sender is the viewer.
using TObjectClickEvent =
    std::function<void(QObject* sender, TFormControlObj* obj, const std::string& script)>;
using TFileBrowseEvent =
    std::function<void(QObject* sender, TFormControlObj* obj, std::string& fileName)>;
using TFormSubmitEvent =
    std::function<void(QObject* sender, const std::string& action, const std::string& target,
                       const std::string& encType, const std::string& method,
                       const std::vector<std::string>& results)>;

// ---------------------------------------------------------------------------
// What forms and controls ask of the document root. The hooks have harmless
// defaults, so a partial document (or a test's) overrides only what it needs.

class TSectionListForms {
 public:
  TSectionListForms();
  virtual ~TSectionListForms();
  TSectionListForms(const TSectionListForms&) = delete;
  TSectionListForms& operator=(const TSectionListForms&) = delete;

  // Every control of the document, in creation order (not owned). Declared
  // before the forms: freeing a control takes it out of this list.
  std::vector<TFormControlObj*> FormControlList;
  // The document's forms (owned).
  TFreeList<ThtmlForm> FormList;

  // --- The viewer's events, copied in by the viewer.
  QObject* Owner = nullptr;   // the sender of every event
  TObjectClickEvent OnObjectClick, OnObjectFocus, OnObjectBlur, OnObjectChange;
  TFileBrowseEvent OnFileBrowse;
  // While assigned, a submitted form reaches it through a posted call (the
  // viewer's user message + 100), after the handler that submitted it (a
  // click, a key) has returned.
  TFormSubmitEvent OnFormSubmit;

  // The submit callback: set exactly while OnFormSubmit is assigned.
  bool SubmitAssigned() const { return static_cast<bool>(OnFormSubmit); }
  void SubmitForm(const std::string& action, const std::string& target, const std::string& encType,
                  const std::string& method, std::vector<std::string> results);

  // Frees every form (and so every control) and empties the control list.
  void ClearForms();
  // Lets every form size its controls with their fonts (before a layout).
  void SetFormControlSizes(platform::Canvas& canvas);
  // ShowIt false for every control (they are shown again where drawn).
  void HideFormControls();
  // Every windowed control not drawn is moved off-screen to x -4000 and
  // shown, so it keeps taking part in focus and tab order unseen.
  void ShowFormControlsOffScreen();
  // History: every control's items per form, and their restoration.
  std::vector<std::vector<std::string>> FormSubmissionData() const;
  void SetFormSubmissionData(const std::vector<std::vector<std::string>>& data);

  // --- Hooks of the root
  // The window the controls live on (the paint panel); null: none.
  virtual QWidget* PaintPanel() { return nullptr; }
  virtual void InvalidatePaintPanel() {}
  // A control took the keyboard focus: the viewer scrolls it into view.
  virtual void ControlEntered(TFormControlObj& control) { (void)control; }
  // A key of a radio button or check box that the control does not use;
  // set key to 0 to consume it.
  virtual void ControlKeyDown(TFormControlObj& control, int& key, platform::ShiftState shift) {
    (void)control, (void)key, (void)shift;
  }
  // The mouse moved over a control (x, y in the control's coordinates): the
  // viewer takes the control's title as the title under the mouse.
  virtual void ControlMouseMove(TFormControlObj& control, platform::ShiftState shift, int x, int y) {
    (void)control, (void)shift, (void)x, (void)y;
  }
  // Registers an object under an ID value; it stays its owner's.
  virtual void AddIDObject(const std::string& name, TIDObject* object) { (void)name, (void)object; }
  // The object goes: names leading to it must lead nowhere.
  virtual void RemoveIDObject(const TIDObject* object) { (void)object; }
  // The tab-order list: key "%.5d%.3d" of the tab index and the list count.
  virtual int TabOrderCount() const { return 0; }
  virtual void AddControlTabOrder(const std::string& key, TFormControlObj* control) {
    (void)key, (void)control;
  }
  // Whether the viewer and its parents are visible (controls are shown
  // off-screen only then).
  virtual bool ViewerVisible() const { return true; }
  // The screen's pixels per inch (radio buttons are larger above 100).
  virtual int ScreenPixelsPerInch() const { return platform::kPixelsPerInch; }

 private:
  // Context of the posted submissions: dropped with the root.
  std::unique_ptr<QObject> postContext_;
};

// The root's form services, or null when the root has none.
TSectionListForms* FormsOf(TSectionListBase* root);

// ---------------------------------------------------------------------------
// One form

class ThtmlForm {
 public:
  // A new form of the document, owned by its form list. attributes may be
  // null (the implicit form of controls outside any FORM). Raises
  // EProcessError when the root keeps no forms.
  static ThtmlForm* Create(TSectionListBase* master, const TAttributeList* attributes);
  ThtmlForm(TSectionListBase* master, const TAttributeList* attributes);
  ~ThtmlForm();
  ThtmlForm(const ThtmlForm&) = delete;
  ThtmlForm& operator=(const ThtmlForm&) = delete;

  TSectionListBase* MasterList = nullptr;
  std::string Method = "get";   // at most 4 characters
  std::string Action;
  std::string Target;
  std::string EncType;
  TFreeList<TFormControlObj> ControlList;   // in document order

  // Takes the control (it has already registered itself with the root).
  TFormControlObj* InsertControl(std::unique_ptr<TFormControlObj> control);
  void ResetControls();
  // Every enabled control's non-empty items, in document order, each in its
  // control's code page.
  std::vector<std::string> GetFormSubmission() const;
  // Hands the form to the root's submit callback (when it is set) with the
  // extra item (the pressed button's name=value) after the controls' items.
  void SubmitTheForm(const std::string& extraItem);
  // A radio button was clicked: the others of its group are unchecked.
  void DoRadios(TFormControlObj* clicked);
  // Focus to the previous / next radio button of the group; true if moved.
  bool MoveRadioFocus(TFormControlObj* from, bool next);
  void SetSizes(platform::Canvas& canvas);
  // Every control's items, submitted or not (history).
  std::vector<std::string> GetFormData() const;
  void SetFormData(const std::vector<std::string>& data);
  // Each radio group's tab stop goes to its checked button (the first
  // button when none is checked).
  void SetRadioTabStops();

  TSectionListForms* Host() const { return host_; }

 private:
  TSectionListForms* host_ = nullptr;
};

// ---------------------------------------------------------------------------
// The control base

class TFormControlObj : public TIDObject {
 public:
  // Registers the control with the root (control list, ID, tab order). A
  // null form gets the control an implicit form of its own.
  TFormControlObj(TSectionListBase* master, int position, const TAttributeList& attributes,
                  ThtmlForm* form);
  ~TFormControlObj() override;
  TFormControlObj(const TFormControlObj&) = delete;
  TFormControlObj& operator=(const TFormControlObj&) = delete;

  int YValue = 0;           // y of the line the control stands on
  bool Active = false;      // has the keyboard focus
  std::string FTitle;
  int CodePage = 0;         // of the element's text
  int Pos = 0;              // character index in the section's text
  TSectionListBase* MasterList = nullptr;
  ThtmlForm* MyForm = nullptr;
  std::string Value;
  std::string FName;
  std::string FID;
  TVAlign VertAlign = TVAlign::Bottom;
  int HSpaceL = 1, HSpaceR = 1, VSpaceT = 1, VSpaceB = 1;
  int BordT = 0, BordB = 0;
  int FHeight = 0, FWidth = 0;   // specified by the style (0 none)
  bool PercentWidth = false;
  platform::Colour BkColor = NoColorValue;
  bool Disabled = false;
  bool Readonly = false;
  std::string OnClickMessage, OnFocusMessage, OnBlurMessage, OnChangeMessage;
  int TabIndex = 0;
  bool ShowIt = false;      // drawn in the last paint
  TMyFont Font;             // the element's font (from its style)

  int YPosition() const override { return YValue; }
  const std::string& Name() const { return FName; }

  // --- The control's operations
  // The windowed control (null for hidden inputs).
  virtual QWidget* TheControl() const { return widget_.data(); }
  // OnObjectChange when the value differs from the one saved.
  virtual void DoOnChange() {}
  virtual void SaveContents() {}
  virtual void ProcessProperties(TProperties& prop);
  // The control's look on a canvas at (x, y). The viewer prints, but a
  // printed page leaves the control's window out and calls no picture of it.
  virtual void Draw(platform::Canvas& canvas, int x, int y);
  virtual void ResetToValue() {}
  // Item index of the submission into text (UTF-8); false past the last.
  virtual bool GetSubmission(int index, std::string& text) { (void)index, (void)text; return false; }
  virtual void SetData(int index, const std::string& value) { (void)index, (void)value; }
  virtual void SetDataInit() {}
  virtual void SetHeightWidth(platform::Canvas& canvas) { (void)canvas; }

  // --- Placement by the text section
  // Check boxes and radio buttons stand a little lower on their line than
  // other controls, and the one with the focus is framed on the page.
  enum class Button { None, CheckBox, Radio };
  virtual Button ButtonKind() const { return Button::None; }
  virtual int Width() const;
  virtual int Height() const;
  int Left() const;
  int Top() const;
  void SetWidth(int width);
  // Moves the control to (x, y) of the paint panel and shows it.
  void Place(int x, int y);
  void Hide();
  // Parked at x -4000 (shown, so it keeps its tab stop).
  void ShowOffScreen();

  // --- Events of the windowed control (also called by tests)
  virtual void FormControlEnter();
  virtual void FormControlExit();
  virtual void FormControlClick();
  void FormControlMouseMove(platform::ShiftState shift, int x, int y);

 protected:
  TSectionListForms* Host() const { return host_; }
  // Takes the windowed control: parent, off-screen, font, disabled state and
  // events (focus, click, mouse move).
  template <class W>
  W* Adopt(W* widget);
  void FireObjectChange();
  // The element's font on the canvas; the height of "A".
  int UseFont(platform::Canvas& canvas);
  // Sizes the windowed control; with a percentage width it is parked at
  // parkedWidth until the line layout sizes it.
  void SizeControl(int width, int height, int parkedWidth);
  // Applies the style's background colour to the control.
  void ApplyControlColour();

  QPointer<QWidget> widget_;

 private:
  TSectionListForms* host_ = nullptr;
};

// ---------------------------------------------------------------------------
// The kinds

class THiddenFormControlObj : public TFormControlObj {
 public:
  THiddenFormControlObj(TSectionListBase* master, int position, const TAttributeList& attributes,
                        ThtmlForm* form);
  bool GetSubmission(int index, std::string& text) override;
  void SetData(int index, const std::string& value) override;
};

class TEditFormControlObj : public TFormControlObj {
 public:
  // typ: "text", "password" or "file" (anything else is text).
  TEditFormControlObj(TSectionListBase* master, int position, const TAttributeList& attributes,
                      const std::string& typ, ThtmlForm* form);
  int EditSize = 15;        // visible characters
  int tmAveCharWidth = 0;
  std::string EnterContents;
  bool IsPassword = false;
  bool IsFile = false;

  platform::FormEdit* Edit() const;
  std::string Text() const;
  void SetText(const std::string& text);
  void DoOnChange() override;
  void SaveContents() override;
  void ProcessProperties(TProperties& prop) override;
  void ResetToValue() override;
  bool GetSubmission(int index, std::string& text) override;
  void SetData(int index, const std::string& value) override;
  void SetHeightWidth(platform::Canvas& canvas) override;

 private:
  void KeyDown(int& key, platform::ShiftState shift);
};

class TButtonFormControlObj : public TFormControlObj {
 public:
  enum : int { bkSubmit = 0, bkReset = 1, bkButton = 2, bkBrowse = 3 };
  // typ: "submit", "reset", "button", or "browse" for the button of a FILE
  // input (which then belongs to myEdit).
  TButtonFormControlObj(TSectionListBase* master, int position, const TAttributeList& attributes,
                        const std::string& typ, ThtmlForm* form,
                        TEditFormControlObj* myEdit = nullptr);
  int Which = bkSubmit;
  TEditFormControlObj* MyEdit = nullptr;

  platform::FormButton* Button() const;
  std::string Caption() const;
  void SetHeightWidth(platform::Canvas& canvas) override;
  void FormControlClick() override;
};

class TCheckBoxFormControlObj : public TFormControlObj {
 public:
  TCheckBoxFormControlObj(TSectionListBase* master, int position, const TAttributeList& attributes,
                          ThtmlForm* form);
  bool IsChecked = false;   // initially
  bool WasChecked = false;  // saved

  platform::FormCheckBox* CheckBox() const;
  Button ButtonKind() const override { return Button::CheckBox; }
  bool Checked() const;
  void SetChecked(bool checked);
  void DoOnChange() override;
  void SaveContents() override;
  void ResetToValue() override;
  bool GetSubmission(int index, std::string& text) override;
  void SetData(int index, const std::string& value) override;
  void SetDataInit() override;

 private:
  void KeyDown(int& key, platform::ShiftState shift);
};

class TRadioButtonFormControlObj : public TFormControlObj {
 public:
  TRadioButtonFormControlObj(TSectionListBase* master, int position,
                             const TAttributeList& attributes, ThtmlForm* form);
  bool IsChecked = false;
  bool WasChecked = false;

  platform::FormRadioButton* RadioButton() const;
  Button ButtonKind() const override { return Button::Radio; }
  bool Checked() const;
  void SetChecked(bool checked);
  bool TabStop() const;
  void SetTabStop(bool on);
  void DoOnChange() override;
  void SaveContents() override;
  void ResetToValue() override;
  bool GetSubmission(int index, std::string& text) override;
  void SetData(int index, const std::string& value) override;
  void SetDataInit() override;
  void FormControlClick() override;

 private:
  void KeyDown(int& key, platform::ShiftState shift);
};

// One OPTION of a SELECT.
struct TOptionObj {
  std::string Value;
  bool Selected = false;
};

// Option texts with their objects.
class ThtOptionStringList {
 public:
  int Count() const { return static_cast<int>(texts_.size()); }
  void AddObject(const std::string& text, std::unique_ptr<TOptionObj> option);
  const std::string& Strings(int i) const { return texts_[i]; }
  TOptionObj* Objects(int i) const { return options_[i].get(); }
  // The option's VALUE, else its text.
  const std::string& Value(int i) const { return options_[i]->Value; }
  bool Selected(int i) const { return options_[i]->Selected; }
  void Clear();

 private:
  std::vector<std::string> texts_;
  std::vector<std::unique_ptr<TOptionObj>> options_;
};

// What list boxes and drop-down lists share: the options and their widths.
class TOptionListControlObj : public TFormControlObj {
 public:
  TOptionListControlObj(TSectionListBase* master, int position, const TAttributeList& attributes,
                        ThtmlForm* form);
  ThtOptionStringList TheOptions;
  int LBSize = -1;          // SIZE, -1 when absent
  int Longest = 0;          // widest option text in pixels

  // An option read from the document: its text (trimmed by the parser),
  // SELECTED, its attributes (VALUE and the others) and code page.
  void AddStr(const std::string& text, bool selected, const TAttributeList* attributes,
              int codePage);
  void ProcessProperties(TProperties& prop) override;

 protected:
  // The text an option shows: an empty one is one blank.
  static std::string ShownText(const std::string& text);
  void MeasureLongest(platform::Canvas& canvas);
  int OptionWidth(platform::Canvas& canvas);
};

class TListBoxFormControlObj : public TOptionListControlObj {
 public:
  TListBoxFormControlObj(TSectionListBase* master, int position, const TAttributeList& attributes,
                         ThtmlForm* form);
  bool Multiple = false;
  // Each item's selection when the control was entered, to tell on leaving
  // whether the user changed it.
  std::vector<bool> SavedFlags;

  platform::FormListBox* ListBox() const;
  void DoOnChange() override;
  void SaveContents() override;
  void ResetToValue() override;
  bool GetSubmission(int index, std::string& text) override;
  void SetData(int index, const std::string& value) override;
  void SetHeightWidth(platform::Canvas& canvas) override;
};

class TComboFormControlObj : public TOptionListControlObj {
 public:
  TComboFormControlObj(TSectionListBase* master, int position, const TAttributeList& attributes,
                       ThtmlForm* form);
  int EnterIndex = -1;

  platform::FormComboBox* ComboBox() const;
  void DoOnChange() override;
  void SaveContents() override;
  void ResetToValue() override;
  bool GetSubmission(int index, std::string& text) override;
  void SetData(int index, const std::string& value) override;
  void SetHeightWidth(platform::Canvas& canvas) override;
};

class TTextAreaFormControlObj : public TFormControlObj {
 public:
  enum : int { wrapOff = 0, wrapSoft = 1, wrapHard = 2 };
  TTextAreaFormControlObj(TSectionListBase* master, int position,
                          const TAttributeList& attributes, ThtmlForm* form);
  int Rows = 5, Cols = 30;
  int Wrap = wrapSoft;
  std::string TheText;      // the element's content, lines ending in CR LF
  std::string EnterContents;

  platform::FormMemo* Memo() const;
  std::string Text() const;
  // A line of the content (the parser adds its CR LF).
  void AddStr(const std::string& line);
  void DoOnChange() override;
  void SaveContents() override;
  void ResetToValue() override;
  bool GetSubmission(int index, std::string& text) override;
  void SetData(int index, const std::string& value) override;
  void SetHeightWidth(platform::Canvas& canvas) override;
};

class TImageFormControlObj : public TFormControlObj {
 public:
  TImageFormControlObj(TSectionListBase* master, int position, const TAttributeList& attributes,
                       ThtmlForm* form);
  TImageObj* MyImage = nullptr;   // the section's; linked both ways
  int XPos = -1, YPos = -1;       // the click point; -1 none
  int XTmp = -1, YTmp = -1;       // the point of the last hit test

  void LinkImage(TImageObj* image);
  int Width() const override;
  int Height() const override;
  void ProcessProperties(TProperties& prop) override;
  bool GetSubmission(int index, std::string& text) override;
  // The image was clicked (at the pending point).
  void ImageClick();
};

// ---------------------------------------------------------------------------
// Making controls

// The controls an element gives: the control, and for a FILE input the
// browse button that follows its edit (at position + 1).
struct TNewFormControl {
  TFormControlObj* Control = nullptr;
  TButtonFormControlObj* Browse = nullptr;
};

// The control for INPUT (by TYPE: text, password and file an edit; submit,
// reset and button a button; radio, checkbox, hidden, image; a missing or
// other type an edit), SELECT (a list box with MULTIPLE or a SIZE of 2 or
// more, else a drop-down list) or anything else (a text area), created in
// form (null: an implicit form).
TNewFormControl CreateFormControl(HtmlSymbol tag, TSectionListBase* master, int position,
                                  const TAttributeList& attributes, ThtmlForm* form);

// The sections' list of their controls by text position (not owning).
class TFormControlList {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  TFormControlObj* operator[](int i) const { return items_[i]; }
  void Add(TFormControlObj* control) { items_.push_back(control); }
  void Clear() { items_.clear(); }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

  TFormControlObj* FindControl(int pos) const;
  // Index of the first control at or after pos (Count() when none).
  int FirstAtOrAfter(int pos) const;
  // Height with both vertical spaces and the alignment; -1 when none is there.
  int GetHeightAt(int pos, TVAlign& align) const;
  // Width; the horizontal spaces apart; -1 when none.
  int GetWidthAt(int pos, int& hSpaceL, int& hSpaceR) const;
  // Characters from pos to the next control at or after it.
  int GetControlCountAt(int pos) const;
  // A character was removed at position n: later controls move back one.
  void Decrement(int n);

 private:
  std::vector<TFormControlObj*> items_;
};

}  // namespace htmlview
