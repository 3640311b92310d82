#pragma once
// The formatted value edit box: a single-line edit that knows its value's
// format pattern, unit of measure and valid range. It filters typed keys by
// pattern, cleans and re-formats the text when the user leaves it, clamps a
// value outside the range (beeping and keeping the focus) and converts
// between the stored unit and the display unit shown in a companion label.
#include <QLabel>
#include <QPointer>

#include <cstdint>
#include <functional>
#include <string>
#include <variant>
#include <vector>

#include "core/units.h"
#include "core/unitsform.h"
#include "platform/lineedit.h"

namespace core {

enum TFormatType { ft_Auto, ft_Fixed, ft_AutoOverride, ft_Manual };

// A value as the box hands it out: a whole number, a float or a text.
using TFmtValue = std::variant<int64_t, double, std::string>;

// What a format pattern holds, tested in this order: "s"/"S" text, "/" a pair
// a/b, "d"/"D" a whole number, "f"/"g" (either case) a float.
enum class TPatternKind { Text, Pair, Integer, Float, Other };
TPatternKind PatternKind(const std::string& pattern);

class TFmtEditLabel;
class TUnitsForm;

class QbCustomEdit : public platform::LineEdit {
 public:
  explicit QbCustomEdit(QWidget* parent = nullptr);
  ~QbCustomEdit() override;

  virtual bool CanEdit() { return true; }
  // Escape: back to the text the box had when it received the focus.
  virtual void ResetText();
  // Cleans and formats the text; false when a number was outside the range
  // (and was replaced by the nearer limit).
  virtual bool ApplyText(const std::string& text);
  virtual void Invalid();
  virtual void ValidateOnExit();

  // Validates as leaving would, fires OnExit and clears the modified mark;
  // for dialogs closing while the box still has the focus.
  void CommitEdit();

  const std::string& EntryText() const { return entryText_; }
  double RangeLo() const { return rangeLo_; }
  double RangeHi() const { return rangeHi_; }
  void SetRangeLo(double value) { rangeLo_ = value; }
  void SetRangeHi(double value) { rangeHi_ = value; }
  TUnitsType UnitsType() const { return unitsType_; }
  int UnitsValue() const { return unitsValue_; }
  int UnitsBase() const { return unitsBase_; }
  double Factor() const { return factor_; }
  double Offset() const { return offset_; }
  QLabel* UnitsLabel() const { return unitsLabel_; }
  int Decimals() const { return decimals_; }
  TFormatType FormatType() const { return formatType_; }
  void SetFormatType(TFormatType type) { formatType_ = type; }
  int SigDigs() const { return sigDigs_; }
  void SetSigDigs(int digits) { sigDigs_ = digits; }
  const std::string& FormatStr() const { return formatStr_; }
  void SetFormatStr(const std::string& format);

  // Fired with the box as sender after the user picked a unit.
  std::function<void(QbCustomEdit* sender)> OnUnitsEdited;

 protected:
  void KeyDown(int& key, platform::ShiftState shift) override;
  void KeyPress(char16_t& ch) override;
  void DoEnter() override;
  void DoExit() override;
  bool WantsKey(int key, platform::ShiftState shift) override;

  // Range check of a number in display units; an outside value is replaced
  // by the limit it passed.
  bool CheckRange(double& value) const;
  bool Accepts(char16_t ch) const;

  std::string entryText_;
  double rangeLo_ = 0;
  double rangeHi_ = 0;
  TUnitsType unitsType_ = utNone;
  int unitsValue_ = 0;
  int unitsBase_ = 0;
  double factor_ = 1;
  double offset_ = 0;
  QPointer<QLabel> unitsLabel_;
  int decimals_ = 1;
  TFormatType formatType_ = ft_Fixed;
  int sigDigs_ = 5;
  std::string formatStr_ = "%0.1f";
};

class TFmtEdit : public QbCustomEdit {
 public:
  explicit TFmtEdit(QWidget* parent = nullptr);
  ~TFmtEdit() override;

  // The value in stored units. A text that does not convert comes back as
  // the text itself.
  TFmtValue GetValue() const;
  // Shows a value given in stored units; one that cannot be shown empties
  // the box.
  void SetValue(const TFmtValue& value);

  void SetUnitsType(TUnitsType kind);
  void SetUnitsValue(int unit);
  void SetUnitsBase(int unit);
  // Links the box to a unit label (a TFmtEditLabel lists it and lets the
  // user pick the unit); nullptr unlinks it.
  void SetUnitsLabel(QLabel* label);

  bool ApplyText(const std::string& text) override;

 private:
  friend class TFmtEditLabel;
class TUnitsForm;
  void ApplyUnits();
  void LabelGone() { unitsLabel_ = nullptr; }
  // Text of a number in display units, formatted by pattern kind and FormatType.
  std::string FormatNumber(double shown) const;
  double ToShown(double stored) const;
  double ToStored(double shown) const;
};

// A unit label: remembers the edit boxes linked to it and, when clicked,
// pops up the unit chooser for them.
class TFmtEditLabel : public QLabel {
  Q_OBJECT

 public:
  explicit TFmtEditLabel(QWidget* parent = nullptr);
  ~TFmtEditLabel() override;

  const std::vector<TFmtEdit*>& Edits() const { return edits_; }
  // The chooser while it is open.
  TUnitsForm* UnitsForm() const;

  // Opens the unit chooser for the linked boxes, beside a mouse position.
  void ChooseUnits(const QPoint& mouseGlobal);

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  friend class TFmtEdit;
  void AddEdit(TFmtEdit* edit);
  void RemoveEdit(TFmtEdit* edit);
  void ApplyChosenUnit(int unit);

  std::vector<TFmtEdit*> edits_;
  QPointer<TUnitsForm> form_;
};

}  // namespace core
