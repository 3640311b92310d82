#include "workbench/pageview.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

#include <cctype>

namespace workbench {

namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool IsBlockTag(const std::string& name) {
  static const char* const blocks[] = {"p", "br", "tr", "h1", "h2", "h3", "h4", "h5", "h6",
                                       "li", "hr", "table", "caption", "div"};
  for (const char* b : blocks) {
    if (name == b) return true;
  }
  return false;
}

// Collapses runs of blanks and drops blank lines at the ends of lines.
std::string Tidy(const std::string& text) {
  std::string out, line;
  auto flush = [&] {
    while (!line.empty() && line.back() == ' ') line.pop_back();
    if (!line.empty()) out += line + "\n";
    line.clear();
  };
  for (char c : text) {
    if (c == '\n') {
      flush();
    } else if (c == ' ' || c == '\t' || c == '\r') {
      if (!line.empty() && line.back() != ' ') line += ' ';
    } else {
      line += c;
    }
  }
  flush();
  return out;
}

}  // namespace

std::string HtmlToText(const std::string& html) {
  std::string text;
  bool inHead = false;
  size_t i = 0;
  while (i < html.size()) {
    const char c = html[i];
    if (c == '<') {
      const size_t end = html.find('>', i);
      if (end == std::string::npos) break;
      std::string tag = html.substr(i + 1, end - i - 1);
      const bool closing = !tag.empty() && tag[0] == '/';
      if (closing) tag.erase(0, 1);
      const size_t space = tag.find_first_of(" \t\r\n/");
      const std::string name = Lower(space == std::string::npos ? tag : tag.substr(0, space));
      if (name == "head") inHead = !closing;
      if (IsBlockTag(name)) text += '\n';
      if (name == "td" || name == "th") text += ' ';
      i = end + 1;
      continue;
    }
    if (inHead) {
      ++i;
      continue;
    }
    if (c == '&') {
      static const std::pair<const char*, const char*> entities[] = {
          {"&amp;", "&"}, {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&nbsp;", " "}};
      bool found = false;
      for (const auto& [name, value] : entities) {
        if (html.compare(i, std::char_traits<char>::length(name), name) == 0) {
          text += value;
          i += std::char_traits<char>::length(name);
          found = true;
          break;
        }
      }
      if (found) continue;
    }
    text += (c == '\n' ? ' ' : c);
    ++i;
  }
  return Tidy(text);
}

TPageView::TPageView(QWidget* parent) : QWidget(parent) {
  display_ = new QPlainTextEdit(this);
  display_->setReadOnly(true);
  display_->setFrameShape(QFrame::NoFrame);
  display_->setStyleSheet("QPlainTextEdit { background: white; font-family: \"Courier New\", monospace; }");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(display_);
}

TPageView::~TPageView() = default;

void TPageView::Clear() {
  lines_.clear();
  base_.clear();
  display_->clear();
}

void TPageView::SetBase(const std::string& folder) { base_ = folder; }

void TPageView::LoadLines(const platform::TStringList& lines) {
  lines_ = lines.Items();
  display_->setPlainText(QString::fromStdString(VisibleText()));
}

void TPageView::Repaint() { display_->viewport()->update(); }

std::string TPageView::Source() const {
  std::string text;
  for (size_t i = 0; i < lines_.size(); ++i) text += (i ? "\n" : "") + lines_[i];
  return text;
}

std::string TPageView::VisibleText() const { return HtmlToText(Source()); }

}  // namespace workbench
