#pragma once
// The report pages of the main window: the Header page (the header record
// and defaults), the Model page (the selected model with its raw rating
// table) and the Regression page (the model's polynomial coefficients).
// Every page is a list of HTML lines in a buffer the window owns, one buffer
// per viewer; pages are rebuilt from the source file's fields whenever a file
// or model is selected and are never saved.
//
// The builders below only fill a buffer. TReportPages adds the viewer side:
// clear the viewer, build, load the buffer and repaint, through hooks the
// main window binds to its viewers (tests bind them to plain variables).
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "core/compdata.h"
#include "platform/stringlist.h"

namespace workbench {

class TSourceFile;

// The viewers these pages are shown in: hView, mView and rView.
enum class TReportView { Header, Model, Regression };

// The class library's "%0.4g": four significant digits, fixed notation while
// the integer part has at most four digits and the value is at least
// 0.00001, otherwise scientific with at least three exponent digits.
std::string FormatCoefficient(double value);

// The common head of every page ("<html>" .. "<body>") with the page's own
// style rules after the common ones.
void AddPageHead(platform::TStringList& page, const std::vector<std::string>& ownRules);
// The head with the own rules of the page shown in view.
void AddPageHead(platform::TStringList& page, TReportView view);
// "</body>", "</html>".
void AddPageEnd(platform::TStringList& page);

// The Header page: key/value table of the header record and the header
// defaults. The refrigerant name comes from the process-wide refrigerant
// library ("R22" for a number it lacks, or when it has not been created).
void BuildHeaderPage(const TSourceFile& source, platform::TStringList& page);
// The Model page's raw table shows at most this many te values (its rows,
// two lines each) and tc values (its columns): 50,000 cells at the most,
// which the viewer holds in some tens of megabytes, while a table of the
// largest size a source file can hold (1024 x 1024 points) would take
// gigabytes. Real rating tables are far smaller than either bound.
inline constexpr size_t kRawTableMaxTe = 500;
inline constexpr size_t kRawTableMaxTc = 50;

// The Model page of model: key/value table, the raw table (te down, tc
// across; Qe in kW, Pw in kW; points flagged 1 and 2 shaded "out1" and
// "out2") when it has table data, and its coefficients when it has them. A
// table beyond the bounds above shows its first te and tc values and a line
// that tells how many of each are shown.
void BuildModelPage(const core::TCompData& model, platform::TStringList& page);
// The Regression page: the source file's path, then the coefficient table of
// model or a note that it has none.
void BuildCoefficientsPage(const std::string& currentFile, const core::TCompData& model,
                           platform::TStringList& page);

class TReportPages {
 public:
  explicit TReportPages(const TSourceFile& source);
  TReportPages(const TReportPages&) = delete;
  TReportPages& operator=(const TReportPages&) = delete;

  // Clear the viewer's document (before its buffer is rebuilt).
  std::function<void(TReportView)> ClearView;
  // Load the buffer into the viewer and repaint it.
  std::function<void(TReportView, const platform::TStringList&)> LoadView;

  // The page buffers of hView, mView and rView.
  platform::TStringList HeaderPage;
  platform::TStringList ModelPage;
  platform::TStringList RegressionPage;

  // Header page from the header record and defaults.
  void ShowHeader();
  // Model page of the model object.
  void ShowModel();
  // Regression page of the model object.
  void ShowCoefficients();

 private:
  void Show(TReportView view, platform::TStringList& page,
            const std::function<void(platform::TStringList&)>& build);

  const TSourceFile& source_;
};

}  // namespace workbench
