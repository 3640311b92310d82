#pragma once
// One page view of the main window (hView, mView, rView, eView): the window
// shows every page through these four calls, in this order: Clear (which
// also empties the base folder), SetBase, LoadLines, Repaint. The view keeps
// the lines it was handed, so that tests read what a page was built from.
#include <QWidget>

#include <string>
#include <vector>

#include "platform/stringlist.h"

class QPlainTextEdit;

namespace workbench {

class TPageView : public QWidget {
  Q_OBJECT

 public:
  explicit TPageView(QWidget* parent = nullptr);
  ~TPageView() override;

  // Empties the document and the base folder.
  void Clear();
  // The folder relative image names are found in.
  void SetBase(const std::string& folder);
  const std::string& Base() const { return base_; }
  // Loads a list of HTML lines (no reference: the view keeps a copy).
  void LoadLines(const platform::TStringList& lines);
  void Repaint();

  // The lines of the page shown (empty after Clear).
  const std::vector<std::string>& Lines() const { return lines_; }
  // The page as one text, lines joined by "\n".
  std::string Source() const;
  // The text a reader sees: the page without its tags, entities decoded,
  // one line per block.
  std::string VisibleText() const;

 private:
  QPlainTextEdit* display_ = nullptr;
  std::string base_;
  std::vector<std::string> lines_;
};

// The text of HTML without tags: block tags (p, br, tr, h1..h6, li, hr,
// table, caption) start a new line, cells are separated by a blank, the
// entities &amp; &lt; &gt; &quot; &nbsp; are decoded, and nothing inside
// <head> is kept.
std::string HtmlToText(const std::string& html);

}  // namespace workbench
