#pragma once
// One page view of the main window (hView, mView, rView, eView): a viewer
// control set up as the workbench wants it (white page, focused border, no
// history, "Courier New" for text and preformatted text). The window shows
// every page through these four calls, in this order: Clear (which also
// empties the base folder), SetBase, LoadLines, Repaint. The view keeps the
// lines it was handed, so that tests read what a page was built from, and
// tells the text the viewer shows.
#include <QWidget>

#include <string>
#include <vector>

#include "platform/stringlist.h"

namespace htmlview {
class THtmlView;
}

namespace workbench {

class TPageView : public QWidget {
 public:
  explicit TPageView(QWidget* parent = nullptr);
  ~TPageView() override;

  // Empties the document and the base folder.
  void Clear();
  // The folder relative image names are found in.
  void SetBase(const std::string& folder);
  std::string Base() const;
  // Loads a list of HTML lines (no reference: the page always starts at the
  // top).
  void LoadLines(const platform::TStringList& lines);
  void Repaint();

  // The lines of the page shown (empty after Clear).
  const std::vector<std::string>& Lines() const { return lines_; }
  // The page as one text, lines joined by "\n".
  std::string Source() const;
  // The text the viewer shows (its whole document selected and read; the
  // selection is emptied again).
  std::string VisibleText() const;

  htmlview::THtmlView& Viewer() const { return *viewer_; }

 private:
  htmlview::THtmlView* viewer_ = nullptr;
  std::vector<std::string> lines_;
};

}  // namespace workbench
