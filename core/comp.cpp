#include "core/comp.h"

#include <cmath>

#include "core/environment.h"
#include "core/interpolator.h"
#include "core/refriglib.h"
#include "core/valuestream.h"
#include "platform/dialogs.h"
#include "platform/streams.h"
#include "platform/sysutils.h"

namespace core {

namespace {

struct ModuleState {
  platform::TStringList catalogList;
  std::string catalogFolder;
  int32_t lastStatus = 0;
  std::unique_ptr<TComp> comp;
};

ModuleState& State() {
  // Plain storage; what it holds is set up by InitComp, not here.
  static ModuleState state;
  return state;
}

void ReportUnreadable(const std::string& path) {
  platform::MessageBox("Error reading compressor file " + path);
}

// A correction factor whose divisor vanishes would be infinite: report it
// as the property functions report theirs.
double Ratio(double numerator, double denominator) {
  if (denominator == 0.0) throw EMathError("Floating point division by zero");
  const double value = numerator / denominator;
  if (!std::isfinite(value)) throw EMathError("Invalid floating point operation");
  return value;
}

}  // namespace

// ---------------------------------------------------------------- TComp

TComp::TComp(const std::string& name, double superheat, double subcool)
    : data_(std::make_unique<TCompData>()) {
  FileIndex = -1;
  if (!name.empty()) SetModel(name);
  Factor = 1.0;
  State().lastStatus = 0;
  Superheat = superheat;
  Subcool = subcool;
  Dirty = true;
}

TComp::~TComp() = default;

std::string TComp::CurrentModelName() const { return data_ ? data_->Name : std::string(); }

void TComp::SetModel(const std::string& name) {
  Dirty = true;
  if (!FindModel(name) && !platform::Trim(name).empty())
    platform::MessageBox("Compressor (" + name + ") not found");
}

void TComp::SetFactor(double factor) {
  Factor = factor;
  Dirty = true;
}

double TComp::RatingSuperheat(double te) const {
  return data_->sgRef > kSgRefGivenAbove ? data_->sgRef - te : data_->shRef;
}

double TComp::CapacityCorrection(double te, double tc) {
  TRefrigLib& lib = RefrigLib();
  const double SHr = RatingSuperheat(te);
  const double P1 = lib.DewPressure(te);
  const double Tsr = te + SHr;
  const double h1r = lib.SuperheatEnthalpy(te, Tsr) * 0.001;
  const double vsr = lib.SuperheatVolume(P1, Tsr);
  const double h4r = lib.LiquidEnthalpy(tc - data_->scRef) * 0.001;
  const double Ts = te + Superheat;
  const double h1 = lib.SuperheatEnthalpy(te, Ts) * 0.001;
  const double vs = lib.SuperheatVolume(P1, Ts);
  const double h4 = lib.LiquidEnthalpy(tc - Subcool) * 0.001;
  qcf = Ratio((h1 - h4) * vsr, (h1r - h4r) * vs);
  return qcf;
}

double TComp::PowerCorrection(double te, double tc) {
  TRefrigLib& lib = RefrigLib();
  const double SHr = RatingSuperheat(te);
  const double P1 = lib.DewPressure(te);
  const double Tsr = te + SHr;
  const double vsr = lib.SuperheatVolume(P1, Tsr);
  const double wr = lib.CompressionWork(te, tc, Tsr) * 0.001;
  const double Ts = te + Superheat;
  const double vs = lib.SuperheatVolume(P1, Ts);
  const double w = lib.CompressionWork(te, tc, Ts) * 0.001;
  pcf = Ratio(w * vsr, wr * vs);
  return pcf;
}

void TComp::LocateInTable(double te, double tc) {
  // The Qe table tells missing ratings also when the power table is wanted.
  Interpolator().Locate(data_->TeList, data_->TcList, te, tc, data_->QeTable, data_->Valid);
}

double TComp::CoolingCapacity(double te, double tc) {
  if (!Dirty && te == CachedTe && tc == CachedTc) return CachedQe;
  CachedTe = te;
  CachedTc = tc;
  // Stale until this evaluation succeeds: a property error below must not
  // leave the previous point's value cached under this point.
  Dirty = true;
  if (data_->HasCurveFit) {
    CachedQe = Poly9(data_->QeCoef, te, tc) * CapacityCorrection(te, tc) * Factor;
    State().lastStatus = 0;
  } else if (data_->HasTable) {
    LocateInTable(te, tc);
    const double value = Interpolator().Bilinear(data_->QeTable);
    const int32_t status = Interpolator().Status;
    CachedQe = value * 0.001 * Factor * CapacityCorrection(te, tc);
    State().lastStatus = status;
  } else {
    CachedQe = 0.0;
  }
  Dirty = false;
  return CachedQe;
}

double TComp::PowerInput(double te, double tc) {
  if (data_->HasCurveFit) {
    const double value = Poly9(data_->PwCoef, te, tc) * PowerCorrection(te, tc) * Factor;
    State().lastStatus = 0;
    return value;
  }
  if (data_->HasTable) {
    LocateInTable(te, tc);
    const double value = Interpolator().Bilinear(data_->PwTable);
    const int32_t status = Interpolator().Status;
    const double result = value * Factor * PowerCorrection(te, tc);
    State().lastStatus = status;
    return result;
  }
  return 0.0;
}

double TComp::HeatRejection(double te, double tc) {
  const double Pw = PowerInput(te, tc);
  const double Qe = CoolingCapacity(te, tc);
  return Qe + data_->hrf * Pw;
}

std::string TComp::RangeWarningText() const {
  // The module's own record of the last table evaluation: the process-wide
  // interpolator may have been used by someone else since.
  const int32_t status = State().lastStatus;
  if (data_->HasCurveFit || !data_->HasTable || status == 0) return "";
  return InterpolatorStatusText(status) +
         platform::Format("... [Suction %0.0f to %0.0f°C Discharge %0.0f to %0.0f°C]",
                          {Header.TeLo, Header.TeHi, Header.TcLo, Header.TcHi});
}

template <class OnRecord>
TComp::Scan TComp::ScanCatalog(const std::string& path, bool restricted,
                               std::set<std::string>& failed, OnRecord onRecord) {
  if (failed.count(path)) return Scan::Skipped;
  // Outside the guarded block: a missing library is no fault of the file.
  const int32_t selected = restricted ? RefrigLib().InternalNumber() : 0;
  try {
    platform::TFileStream stream(path, platform::TFileMode::fmOpenRead);
    TValueReader reader(stream);
    ReadFileHeader(reader, Header);
    if (restricted && Header.RefrigNumber != selected) return Scan::Skipped;
    reader.ReadListBegin();
    for (int32_t position = 0; !reader.EndOfList(); ++position) {
      data_->ReadData(reader, Header.FileID);
      if (onRecord(position)) return Scan::Stopped;
    }
    return Scan::Done;
  } catch (const std::exception&) {
    failed.insert(path);
    ReportUnreadable(path);
    return Scan::Failed;
  }
}

bool TComp::SearchCatalog(const std::string& path, const std::string& name, bool restricted,
                          std::set<std::string>& failed) {
  return ScanCatalog(path, restricted, failed, [&](int32_t) { return data_->Name == name; }) ==
         Scan::Stopped;
}

bool TComp::FindModel(const std::string& name) {
  // A catalog that fails is reported once per search, not once per pass.
  std::set<std::string> failed;
  const platform::TStringList& list = CatalogList();
  if (FileIndex != -1) {
    const std::string current = GetFileName();
    if (!current.empty() && SearchCatalog(current, name, true, failed)) return true;
  }
  for (int i = 0; i < list.Count(); ++i) {
    if (SearchCatalog(list[i], name, true, failed)) {
      FileIndex = i;
      return true;
    }
  }
  for (int i = 0; i < list.Count(); ++i) {
    if (SearchCatalog(list[i], name, false, failed)) {
      FileIndex = i;
      RefrigLib().SelectByNumber(Header.RefrigNumber);
      return true;
    }
  }
  return false;
}

bool TComp::LoadModel(const std::string& path, int32_t index) {
  std::set<std::string> failed;
  const Scan scan =
      ScanCatalog(path, false, failed, [&](int32_t position) { return position == index; });
  if (scan != Scan::Stopped) return false;
  RefrigLib().SelectByNumber(Header.RefrigNumber);
  Dirty = true;
  return true;
}

platform::TStringList TComp::ModelNames() {
  platform::TStringList names;
  const std::string path = GetFileName();
  if (path.empty()) return names;
  std::set<std::string> failed;
  ScanCatalog(path, false, failed, [&](int32_t) {
    names.Add(data_->Name);
    return false;
  });
  return names;
}

int32_t TComp::ModelCount() {
  int32_t count = 0;
  const std::string path = GetFileName();
  if (path.empty()) return 0;
  std::set<std::string> failed;
  ScanCatalog(path, false, failed, [&](int32_t) {
    ++count;
    return false;
  });
  return count;
}

std::string TComp::GetFileName() const {
  const platform::TStringList& list = State().catalogList;
  if (FileIndex < 0 || FileIndex >= list.Count()) return "";
  return list[FileIndex];
}

int32_t TComp::SetFileName(const std::string& path) {
  FileIndex = State().catalogList.IndexOf(path);
  return FileIndex;
}

void TComp::RefreshFiles() {
  const std::string current = GetFileName();
  RefreshCatalogFiles();
  FileIndex = current.empty() ? -1 : State().catalogList.IndexOf(current);
}

// ---------------------------------------------------------------- module

void InitComp() {
  ModuleState& state = State();
  state.comp.reset();
  state.lastStatus = 0;
  state.catalogFolder = SharedDir();
  RefreshCatalogFiles();
  state.comp = std::make_unique<TComp>("", 7.5, 5.0);
}

void DoneComp() {
  ModuleState& state = State();
  state.comp.reset();
  state.catalogList.Clear();
  state.catalogFolder.clear();
  state.lastStatus = 0;
}

bool CompExists() { return State().comp != nullptr; }

TComp& Comp() {
  if (!State().comp) throw platform::Exception("The current compressor has not been created");
  return *State().comp;
}

void SetComp(std::unique_ptr<TComp> comp) { State().comp = std::move(comp); }

platform::TStringList& CatalogList() { return State().catalogList; }

const std::string& CatalogFolder() { return State().catalogFolder; }

void SetCatalogFolder(const std::string& folder) {
  State().catalogFolder = folder;
  if (State().comp)
    State().comp->RefreshFiles();
  else
    RefreshCatalogFiles();
}

void RefreshCatalogFiles() {
  ModuleState& state = State();
  state.catalogList.Clear();
  FindFiles(state.catalogFolder, "*.cmp", state.catalogList, nullptr, true);
}

int32_t LastStatus() { return State().lastStatus; }

platform::TStringList FindCompressorFiles(const std::string& refrigerant,
                                          const std::string& manufacturer, double te, double tc) {
  const int32_t number = RefrigNumberOf(refrigerant);
  platform::TStringList result;
  for (const std::string& path : State().catalogList) {
    TCompFileHeader header;
    try {
      ReadFileHeader(path, header, !manufacturer.empty());
    } catch (const std::exception&) {
      ReportUnreadable(path);
      continue;
    }
    if (header.RefrigNumber != number) continue;
    if (!manufacturer.empty() && !platform::SameText(manufacturer, header.Manufacturer)) continue;
    if (te != -99 && !(header.TeLo <= te && te <= header.TeHi)) continue;
    if (tc != -99 && !(header.TcLo <= tc && tc <= header.TcHi)) continue;
    result.Add(path);
  }
  return result;
}

}  // namespace core
