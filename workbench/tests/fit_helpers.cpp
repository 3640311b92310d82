#include "fit_helpers.h"

#include <charconv>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "numerics/numerics.h"
#include "platform/sysutils.h"
#include "reflib_helpers.h"
#include "testsupport/testenv.h"

namespace fitfixture {

const core::TPoly9Coef kQeCoef = {61.3478231,     2.11934577,     0.0272915431,  -0.712903557,  0.00219477813,
                                  -0.0132618839,  1.41395717e-4,  5.13871929e-5, -3.20189363e-6};
const core::TPoly9Coef kPwCoef = {3.88219074,     -0.0412095287,  -0.00121178243, 0.153017628,   0.00143301991,
                                  0.00521779614,  2.66901718e-5,  -1.96211847e-5, 4.17734301e-7};

TableModel GeneratedModel(const std::string& name, const std::vector<double>& te,
                          const std::vector<double>& tc, const core::TPoly9Coef& qe,
                          const core::TPoly9Coef& pw) {
  TableModel m;
  m.name = name;
  m.te = te;
  m.tc = tc;
  for (double c : tc) {
    std::vector<double> qrow, prow;
    for (double e : te) {
      qrow.push_back(1000.0 * core::Poly9(qe, e, c));
      prow.push_back(core::Poly9(pw, e, c));
    }
    m.qe.push_back(qrow);
    m.pw.push_back(prow);
  }
  return m;
}

TableModel CsvModel(const std::string& name, const std::string& csvFile) {
  std::ifstream in(DataPath(csvFile));
  if (!in) throw std::runtime_error("missing " + csvFile);
  std::string line;
  std::getline(in, line);   // column names
  std::map<double, std::map<double, std::pair<double, double>>> rows;   // tc -> te -> (Qe, Pw)
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    double v[4];
    std::istringstream fields(line);
    std::string field;
    int n = 0;
    while (n < 4 && std::getline(fields, field, ',') && platform::TryStrToFloat(field, v[n])) ++n;
    if (n != 4) throw std::runtime_error("bad line " + line);
    const double te = v[0], tc = v[1], qe = v[2], pw = v[3];
    rows[tc][te] = {qe, pw};
  }
  TableModel m;
  m.name = name;
  for (const auto& [te, values] : rows.begin()->second) m.te.push_back(te);
  for (const auto& [tc, cells] : rows) {
    m.tc.push_back(tc);
    std::vector<double> qrow, prow;
    for (double te : m.te) {
      qrow.push_back(cells.at(te).first);
      prow.push_back(cells.at(te).second);
    }
    m.qe.push_back(qrow);
    m.pw.push_back(prow);
  }
  return m;
}

std::string Num(double value) {
  // As "%.17g" writes it in C: every double reads back as itself.
  char buf[40];
  return std::string(buf, std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 17).ptr);
}

std::string NumList(const std::vector<double>& values) {
  std::string text;
  for (size_t i = 0; i < values.size(); ++i) text += (i ? ", " : "") + Num(values[i]);
  return text;
}

std::string SourceText(const std::vector<std::string>& headerKeys, const std::vector<TableModel>& models,
                       const std::vector<std::pair<std::string, std::vector<std::string>>>& plain) {
  std::ostringstream out;
  out << "[Header]\nFileType=Dravlen Data File\n";
  for (const std::string& line : headerKeys) out << line << "\n";
  for (const TableModel& m : models) {
    out << "\n[" << m.name << "]\n";
    for (const auto& [key, value] : m.keys) out << key << "=" << value << "\n";
    if (m.te.empty()) continue;
    out << "Te=" << NumList(m.te) << "\n";
    out << "Tc=" << NumList(m.tc) << "\n";
    for (size_t j = 0; j < m.tc.size(); ++j) {
      out << "Valid" << j + 1 << "=";
      for (size_t i = 0; i < m.te.size(); ++i) out << (i ? ", " : "") << (m.valid.empty() ? 0 : m.valid[j][i]);
      out << "\n";
    }
    for (size_t j = 0; j < m.tc.size(); ++j) out << "Qe" << j + 1 << "=" << NumList(m.qe[j]) << "\n";
    for (size_t j = 0; j < m.tc.size(); ++j) out << "Pw" << j + 1 << "=" << NumList(m.pw[j]) << "\n";
  }
  for (const auto& [name, lines] : plain) {
    out << "\n[" << name << "]\n";
    for (const std::string& line : lines) out << line << "\n";
  }
  return out.str();
}

std::string DataPath(const std::string& name) { return std::string(DRAVLEN_TEST_DATA) + "/fit/" + name; }

void StartModules() {
  numerics::InitNumerics();
  reflibfixture::Init();
}

void FinishModules() { reflibfixture::Done(); }

Workbench::Workbench() : fit(source, host), builder(source, files, host) {
  using workbench::TActionPage;
  auto pageName = [](TActionPage page) { return page == TActionPage::Verify ? "Verify" : "Regression"; };
  host.EditorText = [this] { return editorText; };
  host.ClearPage = [this, pageName](TActionPage page) { events.push_back(std::string("clear ") + pageName(page)); };
  host.ShowPage = [this, pageName](TActionPage page, const platform::TStringList& lines) {
    events.push_back(std::string("show ") + pageName(page));
    shown[page] = lines.Items();
  };
  host.SetNotice = [this](const std::string& text) { events.push_back("notice " + text); };
  host.ProcessMessages = [this] { events.push_back("messages"); };
  host.ReloadEditor = [this] {
    events.push_back("reload");
    editorText = testsupport::ReadAll(source.CurrentFile);
  };
  host.FileListClick = [this] { Open(files.SelectedPath()); };
}

void Workbench::Open(const std::string& path) {
  files.SelectPath(path);
  source.VerifyLog.Clear();
  source.CurrentFile = path;
  if (path.empty()) return;
  editorText = testsupport::ReadAll(path);
  source.CheckFileType();
  if (!source.IsValidFile) {
    editorText.clear();
    source.ModelList.Clear();
    return;
  }
  source.LoadModelList();
  source.LoadHeader();
}

void Workbench::OpenFolder(const std::string& folder) { files.SetFolder(folder); }

}  // namespace fitfixture
