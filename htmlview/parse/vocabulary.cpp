#include "htmlview/parse/vocabulary.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/sysutils.h"

namespace htmlview {
namespace {

using platform::CompareText;
using platform::LowerCase;
using platform::SameText;
using platform::UpperCase;

constexpr TagRow kTagRows[] = {
    {"HTML", HtmlSymbol::Html, HtmlSymbol::EndHtml},
    {"TITLE", HtmlSymbol::Title, HtmlSymbol::EndTitle},
    {"BODY", HtmlSymbol::Body, HtmlSymbol::EndBody},
    {"HEAD", HtmlSymbol::Head, HtmlSymbol::EndHead},
    {"B", HtmlSymbol::B, HtmlSymbol::EndB},
    {"I", HtmlSymbol::I, HtmlSymbol::EndI},
    {"H", HtmlSymbol::H, HtmlSymbol::EndH},
    {"EM", HtmlSymbol::Em, HtmlSymbol::EndEm},
    {"STRONG", HtmlSymbol::Strong, HtmlSymbol::EndStrong},
    {"U", HtmlSymbol::U, HtmlSymbol::EndU},
    {"CITE", HtmlSymbol::Cite, HtmlSymbol::EndCite},
    {"VAR", HtmlSymbol::Var, HtmlSymbol::EndVar},
    {"TT", HtmlSymbol::TT, HtmlSymbol::EndTT},
    {"CODE", HtmlSymbol::Code, HtmlSymbol::EndCode},
    {"KBD", HtmlSymbol::Kbd, HtmlSymbol::EndKbd},
    {"SAMP", HtmlSymbol::Samp, HtmlSymbol::EndSamp},
    {"OL", HtmlSymbol::OL, HtmlSymbol::EndOL},
    {"UL", HtmlSymbol::UL, HtmlSymbol::EndUL},
    {"DIR", HtmlSymbol::Dir, HtmlSymbol::EndDir},
    {"MENU", HtmlSymbol::Menu, HtmlSymbol::EndMenu},
    {"DL", HtmlSymbol::DL, HtmlSymbol::EndDL},
    {"A", HtmlSymbol::A, HtmlSymbol::EndA},
    {"ADDRESS", HtmlSymbol::Address, HtmlSymbol::EndAddress},
    {"BLOCKQUOTE", HtmlSymbol::BlockQuote, HtmlSymbol::EndBlockQuote},
    {"PRE", HtmlSymbol::Pre, HtmlSymbol::EndPre},
    {"CENTER", HtmlSymbol::Center, HtmlSymbol::EndCenter},
    {"TABLE", HtmlSymbol::Table, HtmlSymbol::EndTable},
    {"TD", HtmlSymbol::TD, HtmlSymbol::EndTD},
    {"TH", HtmlSymbol::TH, HtmlSymbol::EndTH},
    {"CAPTION", HtmlSymbol::Caption, HtmlSymbol::EndCaption},
    {"FORM", HtmlSymbol::Form, HtmlSymbol::EndForm},
    {"TEXTAREA", HtmlSymbol::TextArea, HtmlSymbol::EndTextArea},
    {"SELECT", HtmlSymbol::Select, HtmlSymbol::EndSelect},
    {"OPTION", HtmlSymbol::Option, HtmlSymbol::EndOption},
    {"FONT", HtmlSymbol::Font, HtmlSymbol::EndFont},
    {"SUB", HtmlSymbol::Sub, HtmlSymbol::EndSub},
    {"SUP", HtmlSymbol::Sup, HtmlSymbol::EndSup},
    {"BIG", HtmlSymbol::Big, HtmlSymbol::EndBig},
    {"SMALL", HtmlSymbol::Small, HtmlSymbol::EndSmall},
    {"P", HtmlSymbol::P, HtmlSymbol::EndP},
    {"MAP", HtmlSymbol::Map, HtmlSymbol::EndMap},
    {"FRAMESET", HtmlSymbol::FrameSet, HtmlSymbol::EndFrameSet},
    {"NOFRAMES", HtmlSymbol::NoFrames, HtmlSymbol::EndNoFrames},
    {"SCRIPT", HtmlSymbol::Script, HtmlSymbol::EndScript},
    {"DIV", HtmlSymbol::Div, HtmlSymbol::EndDiv},
    {"S", HtmlSymbol::S, HtmlSymbol::EndS},
    {"STRIKE", HtmlSymbol::Strike, HtmlSymbol::EndStrike},
    {"TR", HtmlSymbol::TR, HtmlSymbol::EndTR},
    {"NOBR", HtmlSymbol::NoBr, HtmlSymbol::EndNoBr},
    {"STYLE", HtmlSymbol::Style, HtmlSymbol::EndStyle},
    {"SPAN", HtmlSymbol::Span, HtmlSymbol::EndSpan},
    {"COLGROUP", HtmlSymbol::ColGroup, HtmlSymbol::EndColGroup},
    {"LABEL", HtmlSymbol::Label, HtmlSymbol::EndLabel},
    {"THEAD", HtmlSymbol::THead, HtmlSymbol::EndTHead},
    {"TBODY", HtmlSymbol::TBody, HtmlSymbol::EndTBody},
    {"TFOOT", HtmlSymbol::TFoot, HtmlSymbol::EndTFoot},
    {"OBJECT", HtmlSymbol::Object, HtmlSymbol::EndObject},
    // Tags without an end form: their end tags are read as unknown tags.
    {"LI", HtmlSymbol::LI, HtmlSymbol::UnknownTag},
    {"BR", HtmlSymbol::BR, HtmlSymbol::UnknownTag},
    {"HR", HtmlSymbol::HR, HtmlSymbol::UnknownTag},
    {"DD", HtmlSymbol::DD, HtmlSymbol::UnknownTag},
    {"DT", HtmlSymbol::DT, HtmlSymbol::UnknownTag},
    {"IMG", HtmlSymbol::Img, HtmlSymbol::UnknownTag},
    {"BASE", HtmlSymbol::Base, HtmlSymbol::UnknownTag},
    {"BUTTON", HtmlSymbol::Button, HtmlSymbol::UnknownTag},
    {"INPUT", HtmlSymbol::Input, HtmlSymbol::UnknownTag},
    {"SELECTED", HtmlSymbol::Selected, HtmlSymbol::UnknownTag},
    {"BASEFONT", HtmlSymbol::BaseFont, HtmlSymbol::UnknownTag},
    {"AREA", HtmlSymbol::Area, HtmlSymbol::UnknownTag},
    {"FRAME", HtmlSymbol::Frame, HtmlSymbol::UnknownTag},
    {"PAGE", HtmlSymbol::Page, HtmlSymbol::UnknownTag},
    {"BGSOUND", HtmlSymbol::BgSound, HtmlSymbol::UnknownTag},
    {"WRAP", HtmlSymbol::Wrap, HtmlSymbol::UnknownTag},
    {"META", HtmlSymbol::Meta, HtmlSymbol::UnknownTag},
    {"PANEL", HtmlSymbol::Panel, HtmlSymbol::UnknownTag},
    {"WBR", HtmlSymbol::Wbr, HtmlSymbol::UnknownTag},
    {"LINK", HtmlSymbol::Link, HtmlSymbol::UnknownTag},
    {"COL", HtmlSymbol::Col, HtmlSymbol::UnknownTag},
    {"PARAM", HtmlSymbol::Param, HtmlSymbol::UnknownTag},
    {"READONLY", HtmlSymbol::ReadOnly, HtmlSymbol::UnknownTag},
};
static_assert(std::size(kTagRows) == kTagCount);

// VALUE appears twice (once for form controls, once for list items); both
// rows carry the same symbol and the first one is what a lookup finds.
constexpr AttributeRow kAttributeRows[] = {
    {"HREF", HtmlSymbol::Href},
    {"NAME", HtmlSymbol::Name},
    {"SRC", HtmlSymbol::Src},
    {"ALT", HtmlSymbol::Alt},
    {"ALIGN", HtmlSymbol::Align},
    {"TEXT", HtmlSymbol::Text},
    {"BGCOLOR", HtmlSymbol::BgColor},
    {"LINK", HtmlSymbol::Link},
    {"BACKGROUND", HtmlSymbol::Background},
    {"COLSPAN", HtmlSymbol::ColSpan},
    {"ROWSPAN", HtmlSymbol::RowSpan},
    {"BORDER", HtmlSymbol::Border},
    {"CELLPADDING", HtmlSymbol::CellPadding},
    {"CELLSPACING", HtmlSymbol::CellSpacing},
    {"VALIGN", HtmlSymbol::VAlign},
    {"WIDTH", HtmlSymbol::Width},
    {"START", HtmlSymbol::Start},
    {"VALUE", HtmlSymbol::Value},
    {"TYPE", HtmlSymbol::Type},
    {"CHECKBOX", HtmlSymbol::Checkbox},
    {"RADIO", HtmlSymbol::Radio},
    {"METHOD", HtmlSymbol::Method},
    {"ACTION", HtmlSymbol::Action},
    {"CHECKED", HtmlSymbol::Checked},
    {"SIZE", HtmlSymbol::Size},
    {"MAXLENGTH", HtmlSymbol::MaxLength},
    {"COLS", HtmlSymbol::Cols},
    {"ROWS", HtmlSymbol::Rows},
    {"MULTIPLE", HtmlSymbol::Multiple},
    {"VALUE", HtmlSymbol::Value},
    {"SELECTED", HtmlSymbol::Selected},
    {"FACE", HtmlSymbol::Face},
    {"COLOR", HtmlSymbol::Color},
    {"TRANSP", HtmlSymbol::Transp},
    {"CLEAR", HtmlSymbol::Clear},
    {"ISMAP", HtmlSymbol::IsMap},
    {"BORDERCOLOR", HtmlSymbol::BorderColor},
    {"USEMAP", HtmlSymbol::UseMap},
    {"SHAPE", HtmlSymbol::Shape},
    {"COORDS", HtmlSymbol::Coords},
    {"NOHREF", HtmlSymbol::NoHref},
    {"HEIGHT", HtmlSymbol::Height},
    {"PLAIN", HtmlSymbol::Plain},
    {"TARGET", HtmlSymbol::Target},
    {"NORESIZE", HtmlSymbol::NoResize},
    {"SCROLLING", HtmlSymbol::Scrolling},
    {"HSPACE", HtmlSymbol::HSpace},
    {"LANGUAGE", HtmlSymbol::Language},
    {"FRAMEBORDER", HtmlSymbol::FrameBorder},
    {"MARGINWIDTH", HtmlSymbol::MarginWidth},
    {"MARGINHEIGHT", HtmlSymbol::MarginHeight},
    {"LOOP", HtmlSymbol::Loop},
    {"ONCLICK", HtmlSymbol::OnClick},
    {"WRAP", HtmlSymbol::Wrap},
    {"NOSHADE", HtmlSymbol::NoShade},
    {"HTTP-EQUIV", HtmlSymbol::HttpEquiv},
    {"CONTENT", HtmlSymbol::Content},
    {"ENCTYPE", HtmlSymbol::EncType},
    {"VLINK", HtmlSymbol::VLink},
    {"OLINK", HtmlSymbol::OLink},
    {"ACTIVE", HtmlSymbol::Active},
    {"VSPACE", HtmlSymbol::VSpace},
    {"CLASS", HtmlSymbol::Class},
    {"ID", HtmlSymbol::Id},
    {"STYLE", HtmlSymbol::Style},
    {"REL", HtmlSymbol::Rel},
    {"REV", HtmlSymbol::Rev},
    {"NOWRAP", HtmlSymbol::NoWrap},
    {"BORDERCOLORLIGHT", HtmlSymbol::BorderColorLight},
    {"BORDERCOLORDARK", HtmlSymbol::BorderColorDark},
    {"CHARSET", HtmlSymbol::Charset},
    {"RATIO", HtmlSymbol::Ratio},
    {"TITLE", HtmlSymbol::Title},
    {"ONFOCUS", HtmlSymbol::OnFocus},
    {"ONBLUR", HtmlSymbol::OnBlur},
    {"ONCHANGE", HtmlSymbol::OnChange},
    {"SPAN", HtmlSymbol::Span},
    {"TABINDEX", HtmlSymbol::TabIndex},
    {"BGPROPERTIES", HtmlSymbol::BgProperties},
    {"DISABLED", HtmlSymbol::Disabled},
    {"TOPMARGIN", HtmlSymbol::TopMargin},
    {"LEFTMARGIN", HtmlSymbol::LeftMargin},
    {"LABEL", HtmlSymbol::Label},
    {"READONLY", HtmlSymbol::ReadOnly},
};
static_assert(std::size(kAttributeRows) == kAttributeCount);

// Latin-1, symbol and special sets of HTML 4.01, then "apos".
constexpr EntityRow kEntityRows[] = {
    {"nbsp", 160}, {"iexcl", 161}, {"cent", 162}, {"pound", 163}, {"curren", 164},
    {"yen", 165}, {"brvbar", 166}, {"sect", 167}, {"uml", 168}, {"copy", 169},
    {"ordf", 170}, {"laquo", 171}, {"not", 172}, {"shy", 173}, {"reg", 174},
    {"macr", 175}, {"deg", 176}, {"plusmn", 177}, {"sup2", 178}, {"sup3", 179},
    {"acute", 180}, {"micro", 181}, {"para", 182}, {"middot", 183}, {"cedil", 184},
    {"sup1", 185}, {"ordm", 186}, {"raquo", 187}, {"frac14", 188}, {"frac12", 189},
    {"frac34", 190}, {"iquest", 191}, {"Agrave", 192}, {"Aacute", 193}, {"Acirc", 194},
    {"Atilde", 195}, {"Auml", 196}, {"Aring", 197}, {"AElig", 198}, {"Ccedil", 199},
    {"Egrave", 200}, {"Eacute", 201}, {"Ecirc", 202}, {"Euml", 203}, {"Igrave", 204},
    {"Iacute", 205}, {"Icirc", 206}, {"Iuml", 207}, {"ETH", 208}, {"Ntilde", 209},
    {"Ograve", 210}, {"Oacute", 211}, {"Ocirc", 212}, {"Otilde", 213}, {"Ouml", 214},
    {"times", 215}, {"Oslash", 216}, {"Ugrave", 217}, {"Uacute", 218}, {"Ucirc", 219},
    {"Uuml", 220}, {"Yacute", 221}, {"THORN", 222}, {"szlig", 223}, {"agrave", 224},
    {"aacute", 225}, {"acirc", 226}, {"atilde", 227}, {"auml", 228}, {"aring", 229},
    {"aelig", 230}, {"ccedil", 231}, {"egrave", 232}, {"eacute", 233}, {"ecirc", 234},
    {"euml", 235}, {"igrave", 236}, {"iacute", 237}, {"icirc", 238}, {"iuml", 239},
    {"eth", 240}, {"ntilde", 241}, {"ograve", 242}, {"oacute", 243}, {"ocirc", 244},
    {"otilde", 245}, {"ouml", 246}, {"divide", 247}, {"oslash", 248}, {"ugrave", 249},
    {"uacute", 250}, {"ucirc", 251}, {"uuml", 252}, {"yacute", 253}, {"thorn", 254},
    {"yuml", 255}, {"fnof", 402}, {"Alpha", 913}, {"Beta", 914}, {"Gamma", 915},
    {"Delta", 916}, {"Epsilon", 917}, {"Zeta", 918}, {"Eta", 919}, {"Theta", 920},
    {"Iota", 921}, {"Kappa", 922}, {"Lambda", 923}, {"Mu", 924}, {"Nu", 925},
    {"Xi", 926}, {"Omicron", 927}, {"Pi", 928}, {"Rho", 929}, {"Sigma", 931},
    {"Tau", 932}, {"Upsilon", 933}, {"Phi", 934}, {"Chi", 935}, {"Psi", 936},
    {"Omega", 937}, {"alpha", 945}, {"beta", 946}, {"gamma", 947}, {"delta", 948},
    {"epsilon", 949}, {"zeta", 950}, {"eta", 951}, {"theta", 952}, {"iota", 953},
    {"kappa", 954}, {"lambda", 955}, {"mu", 956}, {"nu", 957}, {"xi", 958},
    {"omicron", 959}, {"pi", 960}, {"rho", 961}, {"sigmaf", 962}, {"sigma", 963},
    {"tau", 964}, {"upsilon", 965}, {"phi", 966}, {"chi", 967}, {"psi", 968},
    {"omega", 969}, {"thetasym", 977}, {"upsih", 978}, {"piv", 982}, {"bull", 8226},
    {"hellip", 8230}, {"prime", 8242}, {"Prime", 8243}, {"oline", 8254}, {"frasl", 8260},
    {"weierp", 8472}, {"image", 8465}, {"real", 8476}, {"trade", 8482}, {"alefsym", 8501},
    {"larr", 8592}, {"uarr", 8593}, {"rarr", 8594}, {"darr", 8595}, {"harr", 8596},
    {"crarr", 8629}, {"lArr", 8656}, {"uArr", 8657}, {"rArr", 8658}, {"dArr", 8659},
    {"hArr", 8660}, {"forall", 8704}, {"part", 8706}, {"exist", 8707}, {"empty", 8709},
    {"nabla", 8711}, {"isin", 8712}, {"notin", 8713}, {"ni", 8715}, {"prod", 8719},
    {"sum", 8721}, {"minus", 8722}, {"lowast", 8727}, {"radic", 8730}, {"prop", 8733},
    {"infin", 8734}, {"ang", 8736}, {"and", 8743}, {"or", 8744}, {"cap", 8745},
    {"cup", 8746}, {"int", 8747}, {"there4", 8756}, {"sim", 8764}, {"cong", 8773},
    {"asymp", 8776}, {"ne", 8800}, {"equiv", 8801}, {"le", 8804}, {"ge", 8805},
    {"sub", 8834}, {"sup", 8835}, {"nsub", 8836}, {"sube", 8838}, {"supe", 8839},
    {"oplus", 8853}, {"otimes", 8855}, {"perp", 8869}, {"sdot", 8901}, {"lceil", 8968},
    {"rceil", 8969}, {"lfloor", 8970}, {"rfloor", 8971}, {"lang", 9001}, {"rang", 9002},
    {"loz", 9674}, {"spades", 9824}, {"clubs", 9827}, {"hearts", 9829}, {"diams", 9830},
    {"quot", 34}, {"amp", 38}, {"lt", 60}, {"gt", 62}, {"OElig", 338},
    {"oelig", 339}, {"Scaron", 352}, {"scaron", 353}, {"Yuml", 376}, {"circ", 710},
    {"tilde", 732}, {"ensp", 8194}, {"emsp", 8195}, {"thinsp", 8201}, {"zwnj", 8204},
    {"zwj", 8205}, {"lrm", 8206}, {"rlm", 8207}, {"ndash", 8211}, {"mdash", 8212},
    {"lsquo", 8216}, {"rsquo", 8217}, {"sbquo", 8218}, {"ldquo", 8220}, {"rdquo", 8221},
    {"bdquo", 8222}, {"dagger", 8224}, {"Dagger", 8225}, {"permil", 8240}, {"lsaquo", 8249},
    {"rsaquo", 8250}, {"euro", 8364}, {"apos", 8217},
};
static_assert(std::size(kEntityRows) == kEntityCount);

// First contained fragment wins, so the order matters: "8859-1" is tried
// before "8859-15" and takes it (both mean Windows-1252 to the viewer).
constexpr CharsetRow kCharsetRows[] = {
    {"1252", 0}, {"8859-1", 0}, {"1253", 161}, {"8859-7", 161}, {"1250", 238},
    {"8859-2", kLatin2PseudoCharset}, {"1251", 204}, {"8859-5", 204}, {"koi", 204},
    {"866", 204}, {"1254", 162}, {"8859-3", 162}, {"8859-9", 162}, {"1257", 186},
    {"8859-4", 186}, {"932", 128}, {"949", 129}, {"936", 134}, {"950", 136},
    {"1255", 177}, {"1256", 178}, {"1258", 163}, {"874", 222}, {"ansi", 0},
    {"default", 1}, {"symbol", 2}, {"shiftjis", 128}, {"shift_jis", 128},
    {"x-sjis", 128}, {"hangeul", 129}, {"gb2312", 134}, {"big5", 136}, {"oem", 255},
    {"johab", 130}, {"hebrew", 177}, {"arabic", 178}, {"greek", 161}, {"turkish", 162},
    {"vietnamese", 163}, {"thai", 222}, {"easteurope", 238}, {"russian", 204},
    {"euc-kr", 129}, {"5601", 129}, {"euc-jp", kEucJpPseudoCharset}, {"8859-15", 0},
    {"tis-620", 222},
};
static_assert(std::size(kCharsetRows) == kCharsetCount);

constexpr CharsetCodePage kCharsetCodePages[] = {
    {0, 1252}, {1, 0},     {2, 0},     {77, 2},    {128, 932}, {129, 949}, {130, 1361},
    {134, 936}, {136, 950}, {161, 1253}, {162, 1254}, {163, 1258}, {177, 1255},
    {178, 1256}, {186, 1257}, {204, 1251}, {222, 874}, {238, 1250}, {255, 1},
    {kLatin2PseudoCharset, 28592},
};
static_assert(std::size(kCharsetCodePages) == kCharsetCodePageCount);

constexpr CharsetOwnCodePage kCharsetOwnCodePages[] = {
    {"8859-15", 28605}, {"8859-7", 28597}, {"8859-5", 28595}, {"koi8-u", 21866}, {"koi", 20866},
    {"866", 866},       {"8859-3", 28593}, {"8859-9", 28599}, {"8859-4", 28594},
};

// Colours are stored 0x00BBGGRR: "aliceblue", sRGB F0F8FF, is 0x00FFF8F0.
// The system-colour rows keep the numbers the viewer has always used, even
// where CSS would pair the names differently (threedlightshadow is 20,
// threedhighlight 22).
constexpr ColorNameRow kColorRows[] = {
    {"transparent", NoColorValue},
    // Basic colour keywords of HTML 4.
    {"black", 0x00000000},
    {"maroon", 0x00000080},
    {"green", 0x00008000},
    {"olive", 0x00008080},
    {"navy", 0x00800000},
    {"purple", 0x00800080},
    {"teal", 0x00808000},
    {"gray", 0x00808080},
    {"silver", 0x00C0C0C0},
    {"red", 0x000000FF},
    {"lime", 0x0000FF00},
    {"yellow", 0x0000FFFF},
    {"blue", 0x00FF0000},
    {"fuchsia", 0x00FF00FF},
    {"aqua", 0x00FFFF00},
    {"white", 0x00FFFFFF},
    // The other extended colour keywords, alphabetical.
    {"aliceblue", 0x00FFF8F0},
    {"antiquewhite", 0x00D7EBFA},
    {"aquamarine", 0x00D4FF7F},
    {"azure", 0x00FFFFF0},
    {"beige", 0x00DCF5F5},
    {"bisque", 0x00C4E4FF},
    {"blanchedalmond", 0x00CDEBFF},
    {"blueviolet", 0x00E22B8A},
    {"brown", 0x002A2AA5},
    {"burlywood", 0x0087B8DE},
    {"cadetblue", 0x00A09E5F},
    {"chartreuse", 0x0000FF7F},
    {"chocolate", 0x001E69D2},
    {"coral", 0x00507FFF},
    {"cornflowerblue", 0x00ED9564},
    {"cornsilk", 0x00DCF8FF},
    {"crimson", 0x003C14DC},
    {"cyan", 0x00FFFF00},
    {"darkblue", 0x008B0000},
    {"darkcyan", 0x008B8B00},
    {"darkgoldenrod", 0x000B86B8},
    {"darkgray", 0x00A9A9A9},
    {"darkgreen", 0x00006400},
    {"darkkhaki", 0x006BB7BD},
    {"darkmagenta", 0x008B008B},
    {"darkolivegreen", 0x002F6B55},
    {"darkorange", 0x00008CFF},
    {"darkorchid", 0x00CC3299},
    {"darkred", 0x0000008B},
    {"darksalmon", 0x007A96E9},
    {"darkseagreen", 0x008FBC8F},
    {"darkslateblue", 0x008B3D48},
    {"darkslategray", 0x004F4F2F},
    {"darkturquoise", 0x00D1CE00},
    {"darkviolet", 0x00D30094},
    {"deeppink", 0x009314FF},
    {"deepskyblue", 0x00FFBF00},
    {"dimgray", 0x00696969},
    {"dodgerblue", 0x00FF901E},
    {"firebrick", 0x002222B2},
    {"floralwhite", 0x00F0FAFF},
    {"forestgreen", 0x00228B22},
    {"gainsboro", 0x00DCDCDC},
    {"ghostwhite", 0x00FFF8F8},
    {"gold", 0x0000D7FF},
    {"goldenrod", 0x0020A5DA},
    {"greenyellow", 0x002FFFAD},
    {"honeydew", 0x00F0FFF0},
    {"hotpink", 0x00B469FF},
    {"indianred", 0x005C5CCD},
    {"indigo", 0x0082004B},
    {"ivory", 0x00F0FFFF},
    {"khaki", 0x008CE6F0},
    {"lavender", 0x00FAE6E6},
    {"lavenderblush", 0x00F5F0FF},
    {"lawngreen", 0x0000FC7C},
    {"lemonchiffon", 0x00CDFAFF},
    {"lightblue", 0x00E6D8AD},
    {"lightcoral", 0x008080F0},
    {"lightcyan", 0x00FFFFE0},
    {"lightgoldenrodyellow", 0x00D2FAFA},
    {"lightgray", 0x00D3D3D3},
    {"lightgreen", 0x0090EE90},
    {"lightpink", 0x00C1B6FF},
    {"lightsalmon", 0x007AA0FF},
    {"lightseagreen", 0x00AAB220},
    {"lightskyblue", 0x00FACE87},
    {"lightslategray", 0x00998877},
    {"lightsteelblue", 0x00DEC4B0},
    {"lightyellow", 0x00E0FFFF},
    {"limegreen", 0x0032CD32},
    {"linen", 0x00E6F0FA},
    {"magenta", 0x00FF00FF},
    {"mediumaquamarine", 0x00AACD66},
    {"mediumblue", 0x00CD0000},
    {"mediumorchid", 0x00D355BA},
    {"mediumpurple", 0x00DB7093},
    {"mediumseagreen", 0x0071B33C},
    {"mediumslateblue", 0x00EE687B},
    {"mediumspringgreen", 0x009AFA00},
    {"mediumturquoise", 0x00CCD148},
    {"mediumvioletred", 0x008515C7},
    {"midnightblue", 0x00701919},
    {"mintcream", 0x00FAFFF5},
    {"mistyrose", 0x00E1E4FF},
    {"moccasin", 0x00B5E4FF},
    {"navajowhite", 0x00ADDEFF},
    {"oldlace", 0x00E6F5FD},
    {"olivedrab", 0x00238E6B},
    {"orange", 0x0000A5FF},
    {"orangered", 0x000045FF},
    {"orchid", 0x00D670DA},
    {"palegoldenrod", 0x00AAE8EE},
    {"palegreen", 0x0098FB98},
    {"paleturquoise", 0x00EEEEAF},
    {"palevioletred", 0x009370DB},
    {"papayawhip", 0x00D5EFFF},
    {"peachpuff", 0x00B9DAFF},
    {"peru", 0x003F85CD},
    {"pink", 0x00CBC0FF},
    {"plum", 0x00DDA0DD},
    {"powderblue", 0x00E6E0B0},
    {"rosybrown", 0x008F8FBC},
    {"royalblue", 0x00E16941},
    {"saddlebrown", 0x0013458B},
    {"salmon", 0x007280FA},
    {"sandybrown", 0x0060A4F4},
    {"seagreen", 0x00578B2E},
    {"seashell", 0x00EEF5FF},
    {"sienna", 0x002D52A0},
    {"skyblue", 0x00EBCE87},
    {"slateblue", 0x00CD5A6A},
    {"slategray", 0x00908070},
    {"snow", 0x00FAFAFF},
    {"springgreen", 0x007FFF00},
    {"steelblue", 0x00B48246},
    {"tan", 0x008CB4D2},
    {"thistle", 0x00D8BFD8},
    {"tomato", 0x004763FF},
    {"turquoise", 0x00D0E040},
    {"violet", 0x00EE82EE},
    {"wheat", 0x00B3DEF5},
    {"whitesmoke", 0x00F5F5F5},
    {"yellowgreen", 0x0032CD9A},
    // The "grey" spellings.
    {"grey", 0x00808080},
    {"darkgrey", 0x00A9A9A9},
    {"darkslategrey", 0x004F4F2F},
    {"dimgrey", 0x00696969},
    {"lightgrey", 0x00D3D3D3},
    {"lightslategrey", 0x00998877},
    {"slategrey", 0x00908070},
    // System colours: the platform's system-colour number in the low byte.
    {"background", platform::SysColour(1)},
    {"activecaption", platform::SysColour(2)},
    {"inactivecaption", platform::SysColour(3)},
    {"menu", platform::SysColour(4)},
    {"window", platform::SysColour(5)},
    {"windowframe", platform::SysColour(6)},
    {"menutext", platform::SysColour(7)},
    {"windowtext", platform::SysColour(8)},
    {"captiontext", platform::SysColour(9)},
    {"activeborder", platform::SysColour(10)},
    {"inactiveborder", platform::SysColour(11)},
    {"appworkSpace", platform::SysColour(12)},
    {"highlight", platform::SysColour(13)},
    {"highlighttext", platform::SysColour(14)},
    {"buttonface", platform::SysColour(15)},
    {"buttonshadow", platform::SysColour(16)},
    {"graytext", platform::SysColour(17)},
    {"buttontext", platform::SysColour(18)},
    {"inactivecaptiontext", platform::SysColour(19)},
    {"buttonhighlight", platform::SysColour(20)},
    {"threeddarkshadow", platform::SysColour(21)},
    {"threedlightshadow", platform::SysColour(20)},
    {"infotext", platform::SysColour(23)},
    {"infobackground", platform::SysColour(24)},
    {"scrollbar", platform::SysColour(0)},
    {"threedface", platform::SysColour(15)},
    {"threedhighlight", platform::SysColour(22)},
    {"threedshadow", platform::SysColour(16)},
};
static_assert(std::size(kColorRows) == kColorNameCount);

// The sorted lists built at start-up. They point into the constant rows.
struct SortedLists {
  std::vector<const EntityRow*> entities;   // by name, case-sensitive
  std::vector<const ColorNameRow*> colours;  // by name, case ignored
  bool built = false;
};

SortedLists& Lists() {
  static SortedLists lists;  // empty until InitVocabulary
  return lists;
}

int IndexIn(std::span<const std::string_view> list, std::string_view word) {
  for (size_t i = 0; i < list.size(); ++i)
    if (list[i] == word) return static_cast<int>(i);
  return -1;
}

}  // namespace

void InitVocabulary() {
  SortedLists& lists = Lists();
  if (lists.built) return;
  lists.entities.clear();
  for (const EntityRow& row : kEntityRows) lists.entities.push_back(&row);
  std::sort(lists.entities.begin(), lists.entities.end(),
            [](const EntityRow* a, const EntityRow* b) { return a->name < b->name; });
  lists.colours.clear();
  for (const ColorNameRow& row : kColorRows) lists.colours.push_back(&row);
  std::sort(lists.colours.begin(), lists.colours.end(),
            [](const ColorNameRow* a, const ColorNameRow* b) {
              return CompareText(a->name, b->name) < 0;
            });
  lists.built = true;
}

void DoneVocabulary() {
  SortedLists& lists = Lists();
  lists.entities = {};
  lists.colours = {};
  lists.built = false;
}

// --- Tags and attributes ----------------------------------------------------

std::span<const TagRow> TagTable() { return kTagRows; }
std::span<const AttributeRow> AttributeTable() { return kAttributeRows; }

HtmlSymbol LookupTag(std::string_view name, bool endTag) {
  const std::string upper = UpperCase(name);
  for (const TagRow& row : kTagRows) {
    if (row.name == upper) return endTag ? row.endSymbol : row.symbol;
  }
  return HtmlSymbol::UnknownTag;
}

std::string TagName(HtmlSymbol symbol) {
  if (symbol == HtmlSymbol::UnknownTag) return {};
  for (const TagRow& row : kTagRows) {
    if (row.symbol == symbol || row.endSymbol == symbol) return LowerCase(row.name);
  }
  return {};
}

HtmlSymbol EndSymbolOf(HtmlSymbol tag) {
  for (int i = 0; i < kTagsWithEndForm; ++i) {
    if (kTagRows[i].symbol == tag) return kTagRows[i].endSymbol;
  }
  return HtmlSymbol::UnknownTag;
}

HtmlSymbol LookupAttribute(std::string_view name) {
  const std::string upper = UpperCase(name);
  for (const AttributeRow& row : kAttributeRows) {
    if (row.name == upper) return row.symbol;
  }
  return HtmlSymbol::UnknownAttribute;
}

// --- Entities -----------------------------------------------------------------

std::span<const EntityRow> EntityTable() { return kEntityRows; }

std::optional<char32_t> LookupEntity(std::string_view name) {
  const SortedLists& lists = Lists();
  if (lists.built) {
    auto it = std::lower_bound(lists.entities.begin(), lists.entities.end(), name,
                               [](const EntityRow* row, std::string_view n) { return row->name < n; });
    if (it != lists.entities.end() && (*it)->name == name) return (*it)->code;
    return std::nullopt;
  }
  for (const EntityRow& row : kEntityRows)
    if (row.name == name) return row.code;
  return std::nullopt;
}

// --- Character sets -------------------------------------------------------------

std::span<const CharsetRow> CharsetTable() { return kCharsetRows; }
std::span<const CharsetCodePage> CharsetCodePageTable() { return kCharsetCodePages; }

std::optional<int> LookupCharset(std::string_view text) {
  const std::string lower = LowerCase(text);
  for (const CharsetRow& row : kCharsetRows) {
    if (lower.find(row.fragment) != std::string::npos) return row.charset;
  }
  return std::nullopt;
}

std::optional<int> CodePageOfCharset(int charset) {
  for (const CharsetCodePage& pair : kCharsetCodePages) {
    if (pair.charset == charset) return pair.codePage;
  }
  return std::nullopt;
}

std::span<const CharsetOwnCodePage> CharsetOwnCodePageTable() { return kCharsetOwnCodePages; }

std::optional<int> OwnCodePageOfCharset(std::string_view text) {
  const std::string lower = LowerCase(text);
  for (const CharsetOwnCodePage& row : kCharsetOwnCodePages) {
    if (lower.find(row.fragment) != std::string::npos) return row.codePage;
  }
  return std::nullopt;
}

// --- Properties -------------------------------------------------------------------

std::optional<int> LookupProperty(std::string_view name) {
  const int i = IndexIn(CssPropertyNames, name);
  if (i < 0) return std::nullopt;
  return i;
}

// --- Colours ----------------------------------------------------------------------

std::span<const ColorNameRow> ColorNameTable() { return kColorRows; }

std::optional<platform::Colour> LookupColorName(std::string_view name) {
  const SortedLists& lists = Lists();
  if (lists.built) {
    auto it = std::lower_bound(lists.colours.begin(), lists.colours.end(), name,
                               [](const ColorNameRow* row, std::string_view n) {
                                 return CompareText(row->name, n) < 0;
                               });
    if (it != lists.colours.end() && SameText((*it)->name, name)) return (*it)->colour;
    return std::nullopt;
  }
  for (const ColorNameRow& row : kColorRows)
    if (SameText(row.name, name)) return row.colour;
  return std::nullopt;
}

// --- Word lists -------------------------------------------------------------------

int ListStyleTypeIndex(std::string_view word) {
  return std::max(0, IndexIn(ListStyleTypes, word));
}

BorderStyle BorderStyleFromString(std::string_view word) {
  return static_cast<BorderStyle>(std::max(0, IndexIn(BorderStyleNames, word)));
}

bool IsBorderStyleWord(std::string_view word) { return IndexIn(BorderStyleWords, word) >= 0; }

std::string_view ReplaceGenericFamily(std::string_view family) {
  for (const GenericFamily& g : GenericFontFamilies) {
    if (SameText(g.name, family)) return g.replacement;
  }
  return family;
}

bool IsListElement(std::string_view tag) { return IndexIn(ListElements, tag) >= 0; }

std::optional<Shorthand> LookupShorthand(std::string_view name) {
  const int i = IndexIn(ShorthandProperties, name);
  if (i < 0) return std::nullopt;
  return static_cast<Shorthand>(i);
}

int FontKeywordIndex(std::string_view word) { return IndexIn(FontKeywords, word); }

std::optional<FontKeywordKind> FontKeywordKindOf(std::string_view word) {
  const int i = FontKeywordIndex(word);
  if (i < 0) return std::nullopt;
  if (i <= 1) return FontKeywordKind::Style;
  if (i <= 5) return FontKeywordKind::Weight;
  if (i == 6) return FontKeywordKind::Variant;
  return FontKeywordKind::Size;
}

// --- Font sizes -------------------------------------------------------------------

FontSizeRows& FontSizes() {
  static FontSizeRows rows;
  return rows;
}

void RecomputeFontSizes(double defaultFontSize) {
  // A zero, negative or NaN size would make every font invisible.
  if (!(defaultFontSize > 0) || !std::isfinite(defaultFontSize)) return;
  FontSizeRows& rows = FontSizes();
  for (size_t i = 0; i < rows.normal.size(); ++i) {
    rows.normal[i] = FontSizeBase[i] * defaultFontSize / 12;
    rows.pre[i] = PreFontSizeBase[i] * defaultFontSize / 12;
  }
}

// --- Roman numerals ---------------------------------------------------------------

std::string_view RomanNumeral(int number, bool upperCase) {
  if (number < 1 || number > 20) return {};
  return upperCase ? UpperRomanNumerals[number - 1] : LowerRomanNumerals[number - 1];
}

}  // namespace htmlview
