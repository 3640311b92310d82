#pragma once
// The current compressor: finds models in the installed catalog files and
// gives cooling capacity, power input and heat rejection at (te, tc),
// corrected from the model's rating superheat and subcooling to the
// application's through the selected refrigerant's properties. The module
// also keeps the list of installed catalogs and the folder they are
// searched in.
//
// Property errors (EMathError, see refriglib.h) pass through the
// evaluations; the Qe cache is never left holding a value for a point that
// failed. Catalogs that cannot be read are reported with a message box
// ("Error reading compressor file " + path) and skipped.
#include <cstdint>
#include <memory>
#include <set>
#include <string>

#include "core/catalogfile.h"
#include "core/compdata.h"
#include "platform/stringlist.h"

namespace core {

class TComp {
 public:
  // name empty: no model is searched for.
  TComp(const std::string& name, double superheat, double subcool);
  ~TComp();
  TComp(const TComp&) = delete;
  TComp& operator=(const TComp&) = delete;

  TCompFileHeader Header;     // of the catalog the current model came from
  double Factor = 1.0;        // duty multiplier of Qe and Pw
  bool Dirty = true;          // the cached Qe is stale
  double CachedTe = 0.0;
  double CachedTc = 0.0;
  double CachedQe = 0.0;
  double Superheat = 7.5;     // application suction superheat, K
  double Subcool = 5.0;       // application liquid subcooling, K
  double qcf = 0.0;           // correction factors of the last evaluation
  double pcf = 0.0;
  int32_t FileIndex = -1;     // current catalog's position in the catalog list

  TCompData& Data() { return *data_; }
  const TCompData& Data() const { return *data_; }
  std::string CurrentModelName() const;

  // Searches the catalogs; "Compressor (" + name + ") not found" when a
  // non-blank name is not found.
  void SetModel(const std::string& name);
  void SetFactor(double factor);

  double CoolingCapacity(double te, double tc);   // kW
  double PowerInput(double te, double tc);        // kW
  double HeatRejection(double te, double tc);     // kW
  double RatingSuperheat(double te) const;        // K
  double CapacityCorrection(double te, double tc);
  double PowerCorrection(double te, double tc);
  // "" or the interpolation status text + "... [Suction ... Discharge ...]".
  std::string RangeWarningText() const;

  bool FindModel(const std::string& name);
  bool LoadModel(const std::string& path, int32_t index);
  platform::TStringList ModelNames();
  int32_t ModelCount();

  // The catalog list's entry at FileIndex ("" when there is none).
  std::string GetFileName() const;
  // FileIndex := the path's position in the catalog list (-1 when absent).
  int32_t SetFileName(const std::string& path);
  // Searches the catalog folder again; the current catalog keeps its
  // FileIndex when it is still listed (else -1).
  void RefreshFiles();

 private:
  enum class Scan { Done, Stopped, Skipped, Failed };
  // Reads a catalog's header into Header and its records one by one into
  // Data, calling onRecord(position) after each; onRecord returns true to
  // stop. restricted: a catalog of another refrigerant is skipped after its
  // header. Read errors are reported once per path in failed.
  template <class OnRecord>
  Scan ScanCatalog(const std::string& path, bool restricted, std::set<std::string>& failed,
                   OnRecord onRecord);
  bool SearchCatalog(const std::string& path, const std::string& name, bool restricted,
                     std::set<std::string>& failed);
  void LocateInTable(double te, double tc);

  std::unique_ptr<TCompData> data_;
};

// Module state. InitComp (after InitRefrigLib and the environment) sets the
// catalog folder to the shared folder, lists its catalogs and creates the
// current compressor with no model, superheat 7.5 K and subcooling 5.0 K;
// DoneComp frees them.
void InitComp();
void DoneComp();
bool CompExists();
TComp& Comp();   // raises platform::Exception when not created
// Replaces the current compressor (the selection dialog creates one when
// there is none).
void SetComp(std::unique_ptr<TComp> comp);

platform::TStringList& CatalogList();
const std::string& CatalogFolder();
// Stores the folder and searches it for catalogs (the current compressor's
// RefreshFiles when it exists).
void SetCatalogFolder(const std::string& folder);
// Every "*.cmp" under the catalog folder: a folder's own files first, then
// its sub-folders, depth first.
void RefreshCatalogFiles();

// Interpolation status of the last table evaluation (0 after a polynomial one).
int32_t LastStatus();

// Catalog paths (in catalog-list order) of the refrigerant, the
// manufacturer ("" any, compared without regard to case) and covering te and
// tc (-99 any).
platform::TStringList FindCompressorFiles(const std::string& refrigerant,
                                          const std::string& manufacturer, double te, double tc);

}  // namespace core
