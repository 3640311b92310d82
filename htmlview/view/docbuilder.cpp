#include "htmlview/view/docbuilder.h"

#include <QString>

#include "htmlview/layout/docroot.h"

namespace htmlview {

namespace {

TDocumentBuilder& Builder() {
  static TDocumentBuilder builder;
  return builder;
}

}  // namespace

void SetDocumentBuilder(TDocumentBuilder builder) { Builder() = std::move(builder); }

void BuildDocument(TSectionList& document, const TDocumentSource& source, TParsedDocument& parsed) {
  if (Builder()) {
    Builder()(document, source, parsed);
    return;
  }
  // The document parser joins here once blocks and tables can be built.
  (void)document, (void)source, (void)parsed;
}

}  // namespace htmlview
