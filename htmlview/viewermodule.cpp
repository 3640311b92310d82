#include "htmlview/viewermodule.h"

#include "htmlview/pngcodec.h"
#include "htmlview/printer.h"
#include "htmlview/styleprops.h"
#include "htmlview/vocabulary.h"

namespace htmlview {

void InitViewerModule() {
  InitPngModule();
  InitVocabulary();
  // The property stack and colour cache need the colour-name list.
  InitStyleProps();
}

void DoneViewerModule() {
  // Ends a running print job before the printer object goes.
  DonePrinterModule();
  DoneStyleProps();
  DoneVocabulary();
  DonePngModule();
}

}  // namespace htmlview
