#pragma once
// "Syntax Hilight Editor" (the main window's "Editor Color Settings"): edits
// the foreground, background, bold and italic settings of the INI
// highlighter's eight colour attributes. One row per attribute (Comment,
// Key, Number, Section, Space, String, Symbol, Text); every change goes
// straight to the attribute, whose notification repaints the editors that
// show it. The main window hands over its editor's highlighter before each
// showing and saves the colours to "syntax.ini" when it closes.
//
// The row controls are named after their attribute ("Label", "Fore",
// "Back", "Bold" and "Italic" + the name) and find the attribute by that
// name in the highlighter being edited when they are used, so one set of
// rows serves whichever highlighter is handed over.
#include <QDialog>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>

#include "editor/edtypes.h"
#include "platform/colors.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace editor {
class TEdCustomHighlighter;
class TEdHighlighterAttributes;
class TEdObject;
class TIniHighlighter;
}  // namespace editor

namespace workbench {

// A rectangle filled with one colour (none shows white, crossed by a
// diagonal); a left-button press calls OnMouseDown.
class TColorShape : public QWidget {
  Q_OBJECT

 public:
  explicit TColorShape(QWidget* parent = nullptr);
  platform::Colour BrushColour() const { return colour_; }
  void SetBrushColour(platform::Colour colour);
  std::function<void(TColorShape* shape)> OnMouseDown;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  platform::Colour colour_ = platform::clWhite;
};

class TColorEdForm : public QDialog {
 public:
  explicit TColorEdForm(QWidget* parent = nullptr);
  ~TColorEdForm() override;

  int ShowModal();

  // The highlighter whose attributes are edited; null puts back the
  // dialog's own. The dialog lets go of a highlighter that is destroyed.
  void SetHighlighter(editor::TEdCustomHighlighter* highlighter);
  editor::TEdCustomHighlighter* Highlighter() const { return highlighter_; }
  editor::TIniHighlighter* OwnHighlighter() const { return ownHighlighter_.get(); }

  // Asks for a colour, starting at the given one; false when the user
  // cancels. The default opens the platform's colour dialog; tests put
  // their own here so that no dialog opens.
  std::function<bool(platform::Colour& colour)> ChooseColour;

  // The controls of a row, by attribute name (null when there is none).
  QLabel* RowLabel(const std::string& name) const;
  TColorShape* ForeShape(const std::string& name) const;
  TColorShape* BackShape(const std::string& name) const;
  QCheckBox* BoldBox(const std::string& name) const;
  QCheckBox* ItalicBox(const std::string& name) const;
  QPushButton* ResetButton() const { return resetButton_; }
  QPushButton* CloseButton() const { return button1_; }

  // Handlers, public so that the owner and tests can drive them as the
  // window's events do.
  void FormShow();
  void FormClose();
  void Button1Click();
  void ResetButtonClick();
  void ShapeMouseDown(TColorShape* shape);
  void CheckBoxClick(QCheckBox* box);

  // Internal operations, public for the same reason.
  void AddAttributeRow(const std::string& name, const editor::TEdHighlighterAttributes* attribute);
  void RefreshAttributeControls();
  void SetAttribute(editor::TEdHighlighterAttributes* attribute, editor::TColor background,
                    editor::TColor foreground, editor::TFontStyles style);
  // The edited highlighter's attribute of that name (case as given), or null.
  editor::TEdHighlighterAttributes* FindAttribute(const std::string& name) const;

  void done(int result) override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void BuildControls();
  void HighlighterFreed(editor::TEdObject* sender);
  void UnhookHighlighter();

  std::unique_ptr<editor::TIniHighlighter> ownHighlighter_;
  editor::TEdCustomHighlighter* highlighter_ = nullptr;

  // Templates: invisible, they give the columns' left positions and sizes.
  QLabel* templateLabel_ = nullptr;
  TColorShape* templateFore_ = nullptr;
  TColorShape* templateBack_ = nullptr;
  QCheckBox* templateBold_ = nullptr;
  QCheckBox* templateItalic_ = nullptr;
  QPushButton* resetButton_ = nullptr;
  QPushButton* button1_ = nullptr;
  int rowTop_ = 64;
};

// The dialog the program created at start-up (null before and after).
TColorEdForm* ColorEdForm();
void SetColorEdForm(TColorEdForm* form);

}  // namespace workbench
