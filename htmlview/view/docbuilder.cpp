#include "htmlview/view/docbuilder.h"

#include <QString>

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
  const std::string empty;
  const std::string& text = source.Text ? *source.Text : empty;
  if (source.FileType == 1)
    ParsePlainText(text, document, source.Events);
  else
    ParseHtmlDocument(text, document, source.Events);
  parsed.Title = QString::fromStdU16String(DocumentTitle()).toStdString();
  parsed.Base = DocumentBase();
  parsed.BaseTarget = DocumentBaseTarget();
}

}  // namespace htmlview
