#include "core/fmtedit.h"

#include <QMouseEvent>

#include <cmath>
#include <stdexcept>

#include "core/textutils.h"
#include "platform/dialogs.h"
#include "platform/guard.h"
#include "platform/sysutils.h"
#include "platform/timers.h"

namespace core {

namespace {

bool Has(const std::string& text, const char* letters) {
  return text.find_first_of(letters) != std::string::npos;
}

std::string VariantText(const TFmtValue& value) {
  if (const auto* text = std::get_if<std::string>(&value)) return *text;
  if (const auto* whole = std::get_if<int64_t>(&value)) return platform::IntToStr(*whole);
  return platform::FloatToStr(std::get<double>(value));
}

double VariantNumber(const TFmtValue& value) {
  if (const auto* whole = std::get_if<int64_t>(&value)) return static_cast<double>(*whole);
  if (const auto* number = std::get_if<double>(&value)) return *number;
  return platform::StrToFloat(std::get<std::string>(value));
}

// Nearest whole number; a value no integer can hold is a conversion failure.
int64_t WholeNumber(double value) {
  if (!std::isfinite(value) || std::fabs(value) > 9.2e18)
    throw platform::EConvertError("'" + platform::FloatToStr(value) + "' is not a valid integer value");
  return static_cast<int64_t>(std::llround(value));
}

// The first half of a pair pattern, for a pair box holding one number.
std::string FirstOfPair(const std::string& pattern) { return pattern.substr(0, pattern.find('/')); }

}  // namespace

TPatternKind PatternKind(const std::string& pattern) {
  if (Has(pattern, "sS")) return TPatternKind::Text;
  if (Has(pattern, "/")) return TPatternKind::Pair;
  if (Has(pattern, "dD")) return TPatternKind::Integer;
  if (Has(pattern, "fFgG")) return TPatternKind::Float;
  return TPatternKind::Other;
}

// ---------------------------------------------------------------------------
// QbCustomEdit

QbCustomEdit::QbCustomEdit(QWidget* parent) : platform::LineEdit(parent) { SetText("0.0"); }

QbCustomEdit::~QbCustomEdit() = default;

void QbCustomEdit::SetFormatStr(const std::string& format) {
  if ((format == "%S" || format == "%s") && Text() == "0.0") SetText("");
  formatStr_ = format;
  decimals_ = DecimalsInFormat(format);
}

void QbCustomEdit::ResetText() {
  if (!Modified()) return;
  SetText(entryText_);
  SetModified(false);
}

bool QbCustomEdit::ApplyText(const std::string&) { return true; }

void QbCustomEdit::Invalid() { platform::MessageBeep(); }

void QbCustomEdit::ValidateOnExit() {
  if (!Modified() || ApplyText(Text())) return;
  // Retaking the focus from inside the focus change itself would fight it;
  // it happens right after. Receiving the focus clears the modified mark, so
  // the mark is set again once the box has it back.
  platform::Post(this, [this] {
    setFocus(Qt::OtherFocusReason);
    SetModified(true);
  });
  SetModified(true);
  Invalid();
}

void QbCustomEdit::CommitEdit() {
  ValidateOnExit();
  if (OnExit) OnExit();
  SetModified(false);
}

bool QbCustomEdit::CheckRange(double& value) const {
  const double lo = ToDisplayUnits(offset_, factor_, rangeLo_);
  const double hi = ToDisplayUnits(offset_, factor_, rangeHi_);
  if (std::fabs(hi - lo) <= 1e-5 || (lo == 0 && hi == 0)) return true;
  // Half a percent of slack at either end, so that a limit typed in another
  // unit and rounded by its format still passes.
  if (value < lo) {
    if (lo != 0 && std::fabs((lo - value) / lo) <= 0.005) return true;
    value = lo;
    return false;
  }
  if (value <= hi) return true;
  if (hi != 0 && std::fabs((value - hi) / hi) <= 0.005) return true;
  value = hi;
  return false;
}

bool QbCustomEdit::Accepts(char16_t ch) const {
  switch (PatternKind(formatStr_)) {
    case TPatternKind::Pair:
      return platform::IsAsciiDigit(ch) || ch == u'-' || ch == u'.' || ch == u'/';
    case TPatternKind::Integer:
      return platform::IsAsciiDigit(ch) || ch == u'-';
    case TPatternKind::Float:
      if (platform::IsAsciiDigit(ch) || ch == u'-' || ch == u'.') return true;
      return (ch == u'e' || ch == u'E') && Has(formatStr_, "gG");
    default:
      return true;
  }
}

void QbCustomEdit::KeyDown(int& key, platform::ShiftState shift) {
  if (key == platform::VK_BACK) {
    if (CanEdit() && !ReadOnly()) {
      // A selection goes as a whole; without one the character before the
      // caret goes.
      if (hasSelectedText())
        del();
      else if (cursorPosition() > 0)
        backspace();
      SetModified(true);
    }
    key = 0;
    return;
  }
  platform::LineEdit::KeyDown(key, shift);
}

void QbCustomEdit::KeyPress(char16_t& ch) {
  switch (ch) {
    case 0x1B: {
      // Escape undoes the typing; only then does the box keep the key from
      // the dialog.
      const bool modified = Modified();
      ResetText();
      if (modified) ch = 0;
      return;
    }
    case 0x0D:
      ValidateOnExit();
      return;
    case 0x03:  // Ctrl+C
    case 0x16:  // Ctrl+V
    case 0x18:  // Ctrl+X
      return;
    default:
      break;
  }
  if (!CanEdit() || ReadOnly()) {
    ch = 0;
    return;
  }
  SetModified(true);
  if (!Accepts(ch)) {
    ch = 0;
    platform::MessageBeep();
  }
}

bool QbCustomEdit::WantsKey(int key, platform::ShiftState shift) {
  if (key == platform::VK_ESCAPE && shift == 0) return Modified();
  return platform::LineEdit::WantsKey(key, shift);
}

void QbCustomEdit::DoEnter() {
  entryText_ = Text();
  SetModified(false);
  platform::LineEdit::DoEnter();
}

void QbCustomEdit::DoExit() {
  ValidateOnExit();
  platform::LineEdit::DoExit();
}

// ---------------------------------------------------------------------------
// TFmtEdit

TFmtEdit::TFmtEdit(QWidget* parent) : QbCustomEdit(parent) {}

TFmtEdit::~TFmtEdit() {
  if (auto* label = qobject_cast<TFmtEditLabel*>(unitsLabel_.data())) label->RemoveEdit(this);
}

double TFmtEdit::ToShown(double stored) const { return ToDisplayUnits(offset_, factor_, stored); }

double TFmtEdit::ToStored(double shown) const { return FromDisplayUnits(offset_, factor_, shown); }

std::string TFmtEdit::FormatNumber(double shown) const {
  if (PatternKind(formatStr_) == TPatternKind::Integer)
    return platform::Format(formatStr_, {WholeNumber(shown)});
  if (!std::isfinite(shown))
    throw platform::EConvertError("'" + platform::FloatToStr(shown) + "' is not a valid floating point value");
  std::string format = formatStr_;
  switch (formatType_) {
    case ft_Auto:
      format = FloatFormatFor(sigDigs_, 12, shown);
      break;
    case ft_AutoOverride:
      // Large values keep the box's own decimals; small ones get enough to
      // show their significant digits.
      if (shown < std::pow(10.0, 2 - decimals_)) format = FloatFormatFor(sigDigs_, 12, shown);
      break;
    case ft_Fixed:
    case ft_Manual:
      break;
  }
  return platform::Format(format, {shown});
}

TFmtValue TFmtEdit::GetValue() const {
  const std::string text = Text();
  try {
    switch (PatternKind(formatStr_)) {
      case TPatternKind::Text:
        return platform::Format(formatStr_, {text});
      case TPatternKind::Pair: {
        double a = 0, b = 0;
        if (SplitPair(text, a, b)) return platform::Format(formatStr_, {ToStored(a), ToStored(b)});
        return platform::Format("%0.4g", {ToStored(a)});
      }
      default: {
        const double value = ToStored(platform::StrToFloat(NormaliseNumberText(text)));
        if (PatternKind(formatStr_) == TPatternKind::Integer) return WholeNumber(value);
        return value;
      }
    }
  } catch (const std::exception&) {
    return text;
  }
}

void TFmtEdit::SetValue(const TFmtValue& value) {
  try {
    switch (PatternKind(formatStr_)) {
      case TPatternKind::Text:
        SetText(platform::Format(formatStr_, {VariantText(value)}));
        break;
      case TPatternKind::Pair: {
        double a = 0, b = 0;
        if (SplitPair(VariantText(value), a, b))
          SetText(platform::Format(formatStr_, {ToShown(a), ToShown(b)}));
        else
          SetText(platform::Format(FirstOfPair(formatStr_), {ToShown(a)}));
        break;
      }
      case TPatternKind::Integer:
      case TPatternKind::Float:
        SetText(FormatNumber(ToShown(VariantNumber(value))));
        break;
      case TPatternKind::Other:
        break;
    }
  } catch (const std::exception&) {
    SetText("");
  }
}

bool TFmtEdit::ApplyText(const std::string& text) {
  try {
    const TPatternKind kind = PatternKind(formatStr_);
    std::string result = text;
    bool valid = true;
    if (kind == TPatternKind::Text) {
      result = platform::Format(formatStr_, {text});
    } else {
      const std::string clean = NormaliseNumberText(text);
      if (kind == TPatternKind::Pair) {
        double a = 0, b = 0;
        const bool two = SplitPair(clean, a, b);
        valid = CheckRange(a);
        if (two) valid = CheckRange(b) && valid;
        result = two ? platform::Format(formatStr_, {a, b})
                     : platform::Format(FirstOfPair(formatStr_), {a});
      } else {
        double x = platform::StrToFloat(clean);
        valid = CheckRange(x);
        // A pattern that is no number format keeps the text as typed.
        if (kind != TPatternKind::Other) result = FormatNumber(x);
      }
    }
    if (result != Text()) SetText(result);
    SetModified(true);
    return valid;
  } catch (const std::exception&) {
    // Text that does not convert stays as typed: the dialog reads it back
    // through GetValue and decides.
    return true;
  }
}

void TFmtEdit::SetUnitsType(TUnitsType kind) {
  unitsType_ = kind;
  unitsValue_ = ClampUnitsIndex(kind, unitsValue_);
  unitsBase_ = ClampUnitsIndex(kind, unitsBase_);
  factor_ = 1;
  offset_ = 0;
  ApplyUnits();
}

void TFmtEdit::SetUnitsValue(int unit) {
  unitsValue_ = ClampUnitsIndex(unitsType_, unit);
  ApplyUnits();
}

void TFmtEdit::SetUnitsBase(int unit) {
  unitsBase_ = ClampUnitsIndex(unitsType_, unit);
  ApplyUnits();
}

void TFmtEdit::SetUnitsLabel(QLabel* label) {
  if (PatternKind(formatStr_) == TPatternKind::Text) SetFormatStr("%0.1f");
  if (auto* old = qobject_cast<TFmtEditLabel*>(unitsLabel_.data())) old->RemoveEdit(this);
  unitsLabel_ = label;
  if (auto* linked = qobject_cast<TFmtEditLabel*>(label)) linked->AddEdit(this);
  ApplyUnits();
}

void TFmtEdit::ApplyUnits() {
  // Each step stands on its own: a failure keeps what the earlier ones did.
  try {
    const TPatternKind before = PatternKind(formatStr_);
    const bool keepValue =
        !(unitsType_ == utNone && (before == TPatternKind::Text || before == TPatternKind::Integer));
    TFmtValue value;
    if (keepValue) value = GetValue();  // with the old conversion

    std::string format = formatStr_, label;
    GetUnitsConversion(unitsType_, unitsValue_, unitsBase_, format, label, factor_, offset_);
    if (formatType_ != ft_Manual && unitsType_ != utNone) formatStr_ = format;
    if (PatternKind(formatStr_) == TPatternKind::Text) return;

    decimals_ = DecimalsInFormat(formatStr_);
    if (unitsLabel_) unitsLabel_->setText(QString::fromStdString(label));
    if (before == TPatternKind::Pair && formatStr_.find('/') == std::string::npos)
      formatStr_ = formatStr_ + "/" + formatStr_;
    if (keepValue) SetValue(value);
  } catch (const std::exception&) {
  }
}

// ---------------------------------------------------------------------------
// TFmtEditLabel

TFmtEditLabel::TFmtEditLabel(QWidget* parent) : QLabel(parent) {}

TFmtEditLabel::~TFmtEditLabel() {
  for (TFmtEdit* edit : edits_) edit->LabelGone();
  edits_.clear();
  if (form_) {
    form_->OnClosed = nullptr;
    form_->close();
  }
}

TUnitsForm* TFmtEditLabel::UnitsForm() const { return form_.data(); }

void TFmtEditLabel::AddEdit(TFmtEdit* edit) {
  if (std::find(edits_.begin(), edits_.end(), edit) == edits_.end()) edits_.push_back(edit);
}

void TFmtEditLabel::RemoveEdit(TFmtEdit* edit) {
  edits_.erase(std::remove(edits_.begin(), edits_.end(), edit), edits_.end());
}

void TFmtEditLabel::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
    platform::guarded([&] { ChooseUnits(event->globalPosition().toPoint()); });
}

void TFmtEditLabel::ChooseUnits(const QPoint& mouseGlobal) {
  if (edits_.empty() || form_) return;
  const TFmtEdit* first = edits_.front();
  auto* form = new TUnitsForm(first->UnitsType(), first->UnitsValue(), this);
  form->OnClosed = [label = QPointer<TFmtEditLabel>(this)](int unit) {
    if (label) label->ApplyChosenUnit(unit);
  };
  form_ = form;
  form->Popup(mouseGlobal);
}

void TFmtEditLabel::ApplyChosenUnit(int unit) {
  if (unit < 0) return;
  // A units-edited handler may free boxes or unlink them; work on a copy.
  std::vector<QPointer<TFmtEdit>> edits(edits_.begin(), edits_.end());
  for (const QPointer<TFmtEdit>& edit : edits) {
    if (!edit) continue;
    edit->SetUnitsValue(unit);
    if (edit && edit->OnUnitsEdited) edit->OnUnitsEdited(edit.data());
  }
}

}  // namespace core
