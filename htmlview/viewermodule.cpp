#include "htmlview/viewermodule.h"

#include "htmlview/parse/htmlreader.h"
#include "htmlview/images/imagemodule.h"
#include "htmlview/images/pngcodec.h"
#include "htmlview/view/printer.h"
#include "htmlview/style/styleprops.h"
#include "htmlview/parse/vocabulary.h"

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
