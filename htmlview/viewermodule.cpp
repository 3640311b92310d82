#include "htmlview/viewermodule.h"

#include "htmlview/htmlreader.h"
#include "htmlview/imagemodule.h"
#include "htmlview/pngcodec.h"
#include "htmlview/printer.h"
#include "htmlview/styleprops.h"
#include "htmlview/vocabulary.h"

namespace htmlview {

void InitViewerModule() {
  InitPngModule();
  // Screen depth and palette, placeholder bitmaps, cursors, the wait stream.
  InitImageModule();
  InitVocabulary();
  // The property stack and colour cache need the colour-name list.
  InitStyleProps();
  InitHtmlReader();
}

void DoneViewerModule() {
  // Ends a running print job before the printer object goes.
  DonePrinterModule();
  DoneHtmlReader();
  DoneStyleProps();
  DoneVocabulary();
  DoneImageModule();
  DonePngModule();
}

}  // namespace htmlview
