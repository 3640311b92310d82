// The HTML reader on arbitrary bytes: every input must tokenise to the end
// of the text (or to the quiet "open comment" error) without a crash, a hang
// or an offset outside the document. The first byte chooses the code page
// the reader starts with and whether an include handler answers include
// commands; SCRIPT and TEXTAREA content is read with their own tokenisers,
// as the parser does.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "htmlview/parse/codepages.h"
#include "htmlview/parse/htmlreader.h"
#include "htmlview/style/styleprops.h"

namespace {

constexpr int kCodePages[] = {1252, 65001, 1251, 1250, 932, 936, 949, 950, 874, 437,
                              10000, 28591, 28592, 1253, 1254, 1361};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  htmlview::InitVocabulary();
  htmlview::InitStyleProps();
  htmlview::InitHtmlReader();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace htmlview;
  if (size == 0) return 0;
  const uint8_t control = data[0];
  std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  const int documentLength = static_cast<int>(text.size());

  HtmlReaderState& r = Reader();
  PropStack().Clear();
  r.DefaultCodePage = kCodePages[control % std::size(kCodePages)];
  r.ViewerCodePage = r.DefaultCodePage;
  r.IDList = nullptr;
  r.Progress = nullptr;
  if (control & 0x80) {
    r.IncludeEvent = [](const std::string& command, const std::vector<std::string>& params,
                        std::string& inserted) {
      inserted = "<b>" + command + "</b>";
      for (const std::string& p : params) inserted += p;
    };
  } else {
    r.IncludeEvent = nullptr;
  }

  if (control & 0x40) CountLinks();
  BeginReading(std::move(text));
  try {
    GetCharSkip();
    // Every call consumes at least one character, so the count bounds it;
    // a token stream longer than that is a reader that stopped moving.
    const long limit = 4L * documentLength + 64;
    long tokens = 0;
    for (;;) {
      if (++tokens > limit) __builtin_trap();
      NextToken();
      if (r.Sy == HtmlSymbol::EndOfText) break;
      if (r.Sy == HtmlSymbol::TextToken) {
        for (int i = 0; i < r.Token->Leng(); ++i)
          if (r.Token->I()[i] < -3 || r.Token->I()[i] > documentLength + 3) __builtin_trap();
      }
      if (r.Sy == HtmlSymbol::TextArea) {
        do {
          if (++tokens > limit) __builtin_trap();
          NextTextAreaToken();
        } while (r.Sy != HtmlSymbol::EndOfText && r.Sy != HtmlSymbol::TextAreaContentEnd);
      } else if (r.Sy == HtmlSymbol::Script) {
        r.NoSkip = true;
        do {
          if (++tokens > limit) __builtin_trap();
          NextScriptToken();
        } while (r.Sy != HtmlSymbol::EndOfText && r.Sy != HtmlSymbol::ScriptContentEnd);
        r.NoSkip = false;
      } else if (r.Sy == HtmlSymbol::Meta) {
        const TAttribute* equiv = r.Attributes->Find(HtmlSymbol::HttpEquiv);
        const TAttribute* content = r.Attributes->Find(HtmlSymbol::Content);
        if (equiv && content) ApplyMetaCharset(equiv->Name, content->Name);
      }
    }
  } catch (const EParseError&) {
    // the end of the text inside a comment: the parser ends quietly there
  }
  return 0;
}
