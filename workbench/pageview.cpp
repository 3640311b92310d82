#include "workbench/pageview.h"

#include <QString>
#include <QVBoxLayout>

#include "htmlview/view/htmlview.h"
#include "platform/colors.h"

namespace workbench {

TPageView::TPageView(QWidget* parent) : QWidget(parent) {
  viewer_ = new htmlview::THtmlView(this);
  viewer_->SetDefBackground(platform::clWhite);
  viewer_->SetBorderStyle(htmlview::THTMLBorderStyle::htFocused);
  viewer_->SetHistoryMaxCount(0);
  viewer_->DefFontName = "Courier New";
  viewer_->SetDefPreFontName("Courier New");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(viewer_);
}

TPageView::~TPageView() = default;

void TPageView::Clear() {
  lines_.clear();
  viewer_->ClearDocument();
}

void TPageView::SetBase(const std::string& folder) { viewer_->SetBase(folder); }

std::string TPageView::Base() const { return viewer_->Base(); }

void TPageView::LoadLines(const platform::TStringList& lines) {
  lines_ = lines.Items();
  viewer_->LoadFromStrings(lines);
}

void TPageView::Repaint() { viewer_->Repaint(); }

std::string TPageView::Source() const {
  std::string text;
  for (size_t i = 0; i < lines_.size(); ++i) text += (i ? "\n" : "") + lines_[i];
  return text;
}

std::string TPageView::VisibleText() const {
  viewer_->SelectAll();
  const std::u16string text = viewer_->SelText();
  viewer_->SetSelection(0, 0);
  return QString::fromStdU16String(text).toStdString();
}

}  // namespace workbench
