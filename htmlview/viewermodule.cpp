#include "htmlview/viewermodule.h"

#include "htmlview/pngcodec.h"
#include "htmlview/vocabulary.h"

namespace htmlview {

void InitViewerModule() {
  InitPngModule();
  InitVocabulary();
}

void DoneViewerModule() {
  DoneVocabulary();
  DonePngModule();
}

}  // namespace htmlview
