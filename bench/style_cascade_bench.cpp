// What the style cascade costs a page: the document parser reads a page
// (no layout) whose STYLE element holds many rules, so that nearly all of
// the time is spent finding the rules of each element.
//
// Three shapes of N rules over a page of N paragraphs <p class="cN d e">,
// grouped a hundred to a table cell under <div class="cG">:
//   class        ".cN { color: red }"
//   tag-class    "p.cN { color: red }"
//   descendant   ".cN td p { color: red }"
//   none         no rules: what the page costs without a cascade to speak of
// Goals: tag-class as fast as class; 10,000 descendant rules over 10,000
// paragraphs in about a second.
//
// The same rules given one STYLE element at a time between the paragraphs
// (interleaved): the style sheet changes between any two elements.
//
// And a page of about 5,000 elements under a sheet of about 1,500 rules
// shaped like a common page framework's (grid, spacing and text utilities,
// buttons, navigation, cards, tables, forms, alerts; classes, tags,
// descendant and child parts, a few IDs, attribute parts and hover rules),
// against the same page without the sheet.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/fixedmetric_main.h"
#include "htmlview/document/docparser.h"
#include "htmlview/layout/docroot.h"
#include "platform/fonts.h"
#include "platform/image.h"

namespace {

using namespace htmlview;

// ------------------------------------------------------------ parsing a page

void ParseOnce(const std::string& html) {
  InitDocParser();
  {
    TSectionList list(nullptr, nullptr);
    list.SetDefaults("Times New Roman", "Courier New", 12, platform::clBlack, platform::clBlue,
                     platform::clPurple, platform::clRed, platform::clWhite, false, true, 1, 5,
                     10);
    ParseHtmlDocument(html, list, {});
    benchmark::DoNotOptimize(list.Count());
  }
  DoneDocParser();
}

// ------------------------------------------------------------ the three shapes

enum Shape { kNone, kClass, kTagClass, kDescendant };

std::string ShapePage(Shape shape, int n) {
  std::string html = "<html><head><style>\n";
  for (int i = 0; i < n && shape != kNone; ++i) {
    const std::string c = "c" + std::to_string(i);
    switch (shape) {
      case kClass: html += "." + c + " { color: red }\n"; break;
      case kTagClass: html += "p." + c + " { color: red }\n"; break;
      case kDescendant: html += "." + c + " td p { color: red }\n"; break;
      case kNone: break;
    }
  }
  html += "</style></head><body>\n";
  constexpr int kPerCell = 100;
  for (int i = 0; i < n; i += kPerCell) {
    html += "<div class=\"c" + std::to_string(i / kPerCell) + "\"><table><tr><td>\n";
    for (int k = i; k < n && k < i + kPerCell; ++k)
      html += "<p class=\"c" + std::to_string(k) + " d e\">x</p>\n";
    html += "</td></tr></table></div>\n";
  }
  html += "</body></html>\n";
  return html;
}

void BM_Shape(benchmark::State& state, Shape shape) {
  const int n = static_cast<int>(state.range(0));
  const std::string html = ShapePage(shape, n);
  for (auto _ : state) ParseOnce(html);
  state.counters["rules"] = shape == kNone ? 0 : n;
  state.counters["elements"] = n;
}
BENCHMARK_CAPTURE(BM_Shape, none, kNone)->Arg(1000)->Arg(3000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Shape, class, kClass)->Arg(1000)->Arg(3000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Shape, tag_class, kTagClass)->Arg(1000)->Arg(3000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Shape, descendant, kDescendant)->Arg(1000)->Arg(3000)->Arg(10000)->Unit(benchmark::kMillisecond);

// A page whose rules come one STYLE element at a time between its
// paragraphs: the style sheet changes between any two elements.
std::string InterleavedPage(int n) {
  std::string html = "<html><body>\n";
  for (int i = 0; i < n; ++i) {
    const std::string c = "c" + std::to_string(i);
    html += "<style>." + c + " td p { color: red } ." + c + " { color: blue }</style>\n";
    html += "<p class=\"" + c + " d e\">x</p>\n";
  }
  html += "</body></html>\n";
  return html;
}

void BM_Interleaved(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::string html = InterleavedPage(n);
  for (auto _ : state) ParseOnce(html);
  state.counters["rules"] = 2 * n;
  state.counters["elements"] = n;
}
BENCHMARK(BM_Interleaved)->Arg(1000)->Arg(3000)->Arg(10000)->Unit(benchmark::kMillisecond);

// ------------------------------------------------------------ a framework's sheet

const std::vector<std::string> kVariants = {"primary", "secondary", "success", "danger",
                                            "warning", "info",      "light",   "dark"};
const std::vector<std::string> kBreakpoints = {"", "sm-", "md-", "lg-", "xl-"};
const std::vector<std::string> kColours = {"#007bff", "#6c757d", "#28a745", "#dc3545",
                                           "#ffc107", "#17a2b8", "#f8f9fa", "#343a40"};

struct Sheet {
  std::string text;
  int rules = 0;
  void Rule(const std::string& selector, const std::string& declarations) {
    text += selector + " { " + declarations + " }\n";
    // A selector list counts once per selector.
    rules += 1 + static_cast<int>(std::count(selector.begin(), selector.end(), ','));
  }
};

Sheet FrameworkSheet() {
  Sheet s;
  // Element defaults.
  s.Rule("html, body", "margin: 0; padding: 0");
  s.Rule("body", "font-family: arial, helvetica, sans-serif; font-size: 14px; color: #212529; background-color: #fff");
  for (int h = 1; h <= 6; ++h)
    s.Rule("h" + std::to_string(h) + ", .h" + std::to_string(h),
           "margin-top: 0; margin-bottom: 8px; font-weight: bold; font-size: " + std::to_string(40 - 4 * h) + "px");
  s.Rule("p", "margin-top: 0; margin-bottom: 16px");
  s.Rule("a", "color: #007bff; text-decoration: none; background-color: transparent");
  s.Rule("a:hover", "color: #0056b3; text-decoration: underline");
  s.Rule("a:visited", "color: #5a3d99");
  s.Rule("a[href^=\"http\"]", "padding-right: 2px");
  s.Rule("ul, ol, dl", "margin-top: 0; margin-bottom: 16px");
  s.Rule("ol ol, ul ul, ol ul, ul ol", "margin-bottom: 0");
  s.Rule("b, strong", "font-weight: bolder");
  s.Rule("small", "font-size: 80%");
  s.Rule("sub, sup", "font-size: 75%");
  s.Rule("img", "border-style: none; vertical-align: middle");
  s.Rule("table", "border-collapse: collapse");
  s.Rule("th", "text-align: left");
  s.Rule("label", "margin-bottom: 8px");
  s.Rule("input, select, textarea", "margin: 0; font-size: inherit; line-height: inherit");
  s.Rule("input[type=\"checkbox\"], input[type=\"radio\"]", "padding: 0");
  s.Rule("abbr[title]", "text-decoration: underline dotted");
  s.Rule("blockquote", "margin: 0 0 16px");
  s.Rule("pre, code, kbd, samp", "font-family: monospace; font-size: 1em");
  s.Rule("hr", "margin-top: 16px; margin-bottom: 16px; border-top: 1px solid #dee2e6");
  // Grid.
  s.Rule(".container, .container-fluid", "width: 100%; padding-right: 15px; padding-left: 15px; margin-right: auto; margin-left: auto");
  s.Rule(".row", "margin-right: -15px; margin-left: -15px");
  s.Rule(".no-gutters > .col, .no-gutters > [class*=\"col-\"]", "padding-right: 0; padding-left: 0");
  for (const std::string& bp : kBreakpoints) {
    s.Rule(".col" + (bp.empty() ? std::string() : "-" + bp.substr(0, bp.size() - 1)), "position: relative; width: 100%; padding-right: 15px; padding-left: 15px");
    for (int n = 1; n <= 12; ++n) {
      const std::string w = std::to_string(n * 100 / 12);
      s.Rule(".col-" + bp + std::to_string(n), "width: " + w + "%; max-width: " + w + "%");
      s.Rule(".offset-" + bp + std::to_string(n), "margin-left: " + w + "%");
      s.Rule(".order-" + bp + std::to_string(n), "z-index: " + std::to_string(n));
    }
  }
  // Spacing utilities.
  const std::vector<std::pair<std::string, std::vector<std::string>>> sides = {
      {"", {""}}, {"t", {"-top"}}, {"r", {"-right"}}, {"b", {"-bottom"}}, {"l", {"-left"}},
      {"x", {"-left", "-right"}}, {"y", {"-top", "-bottom"}}};
  const int sizes[] = {0, 4, 8, 16, 24, 48};
  for (const std::string& bp : kBreakpoints)
    for (const char* prop : {"margin", "padding"})
      for (const auto& [side, names] : sides)
        for (int k = 0; k < 6; ++k) {
          std::string decl;
          for (const std::string& name : names)
            decl += std::string(prop) + name + ": " + std::to_string(sizes[k]) + "px; ";
          s.Rule("." + std::string(1, prop[0]) + side + "-" + bp + std::to_string(k), decl);
        }
  // Display and text utilities.
  for (const std::string& bp : kBreakpoints)
    for (const char* d : {"none", "inline", "inline-block", "block", "table", "table-cell", "flex"})
      s.Rule(".d-" + bp + d, std::string("display: ") + d);
  for (const std::string& bp : kBreakpoints)
    for (const char* a : {"left", "right", "center"})
      s.Rule(".text-" + bp + a, std::string("text-align: ") + a);
  for (const char* f : {"left", "right", "none"}) s.Rule(std::string(".float-") + f, std::string("float: ") + f);
  for (const char* w : {"light", "normal", "bold", "bolder"})
    s.Rule(std::string(".font-weight-") + w, std::string("font-weight: ") + w);
  s.Rule(".font-italic", "font-style: italic");
  s.Rule(".text-lowercase", "text-transform: lowercase");
  s.Rule(".text-uppercase", "text-transform: uppercase");
  s.Rule(".text-muted", "color: #6c757d");
  s.Rule(".text-white", "color: #fff");
  for (size_t v = 0; v < kVariants.size(); ++v) {
    const std::string& n = kVariants[v];
    const std::string& c = kColours[v];
    s.Rule(".text-" + n, "color: " + c);
    s.Rule("a.text-" + n + ":hover", "color: #0056b3");
    s.Rule(".bg-" + n, "background-color: " + c);
    s.Rule("a.bg-" + n + ":hover", "background-color: #0062cc");
    s.Rule(".border-" + n, "border-color: " + c);
    // Buttons.
    s.Rule(".btn-" + n, "color: #fff; background-color: " + c + "; border-color: " + c);
    s.Rule(".btn-" + n + ":hover", "color: #fff; background-color: #0069d9; border-color: #0062cc");
    s.Rule(".btn-outline-" + n, "color: " + c + "; border-color: " + c);
    s.Rule(".btn-outline-" + n + ":hover", "color: #fff; background-color: " + c);
    // Alerts, badges, list groups, tables.
    s.Rule(".alert-" + n, "color: #004085; background-color: #cce5ff; border-color: #b8daff");
    s.Rule(".alert-" + n + " hr", "border-top-color: #9fcdff");
    s.Rule(".alert-" + n + " .alert-link", "color: #002752");
    s.Rule(".badge-" + n, "color: #fff; background-color: " + c);
    s.Rule("a.badge-" + n + ":hover", "background-color: #0062cc");
    s.Rule(".list-group-item-" + n, "color: #004085; background-color: #b8daff");
    s.Rule(".list-group-item-" + n + ".list-group-item-action:hover", "background-color: #9fcdff");
    s.Rule(".table-" + n + ", .table-" + n + " > th, .table-" + n + " > td", "background-color: #b8daff");
    s.Rule(".table-hover .table-" + n + ":hover", "background-color: #9fcdff");
    s.Rule(".table-hover .table-" + n + ":hover > td, .table-hover .table-" + n + ":hover > th", "background-color: #9fcdff");
    s.Rule(".navbar-" + n + " .navbar-brand", "color: " + c);
    s.Rule(".card.border-" + n + " .card-header", "border-color: " + c);
  }
  s.Rule(".btn", "display: inline-block; font-weight: normal; text-align: center; border: 1px solid transparent; padding: 6px 12px; font-size: 14px");
  s.Rule(".btn:hover", "color: #212529; text-decoration: none");
  s.Rule(".btn-lg", "padding: 8px 16px; font-size: 18px");
  s.Rule(".btn-sm", "padding: 4px 8px; font-size: 12px");
  s.Rule(".btn-block", "display: block; width: 100%");
  s.Rule(".btn-link", "font-weight: normal; color: #007bff");
  s.Rule(".btn-group > .btn", "position: relative");
  // Navigation.
  s.Rule(".nav", "padding-left: 0; margin-bottom: 0");
  s.Rule(".nav-link", "display: block; padding: 8px 16px");
  s.Rule(".nav-link:hover", "text-decoration: none");
  s.Rule(".nav-tabs", "border-bottom: 1px solid #dee2e6");
  s.Rule(".nav-tabs .nav-item", "margin-bottom: -1px");
  s.Rule(".nav-tabs .nav-link", "border: 1px solid transparent");
  s.Rule(".nav-tabs .nav-link:hover", "border-color: #e9ecef");
  s.Rule(".nav-tabs .nav-link.active", "color: #495057; background-color: #fff");
  s.Rule(".nav-pills .nav-link.active", "color: #fff; background-color: #007bff");
  s.Rule(".navbar", "position: relative; padding: 8px 16px");
  s.Rule(".navbar-brand", "display: inline-block; padding-top: 5px; margin-right: 16px; font-size: 20px");
  s.Rule(".navbar-nav", "padding-left: 0; margin-bottom: 0; list-style: none");
  s.Rule(".navbar-nav .nav-link", "padding-right: 0; padding-left: 0");
  s.Rule(".navbar-nav .dropdown-menu", "position: static; float: none");
  for (const char* tone : {"light", "dark"}) {
    const std::string nb = std::string(".navbar-") + tone;
    s.Rule(nb + " .navbar-brand", "color: #000");
    s.Rule(nb + " .navbar-brand:hover", "color: #111");
    s.Rule(nb + " .navbar-nav .nav-link", "color: #777");
    s.Rule(nb + " .navbar-nav .nav-link:hover", "color: #333");
    s.Rule(nb + " .navbar-nav .active > .nav-link", "color: #000");
    s.Rule(nb + " .navbar-nav .nav-link.active", "color: #000");
    s.Rule(nb + " .navbar-text a", "color: #000");
    s.Rule(nb + " .navbar-text a:hover", "color: #111");
  }
  s.Rule(".breadcrumb", "padding: 12px 16px; margin-bottom: 16px; background-color: #e9ecef");
  s.Rule(".breadcrumb-item + .breadcrumb-item", "padding-left: 8px");
  s.Rule(".pagination", "padding-left: 0");
  s.Rule(".page-link", "position: relative; padding: 8px 12px; color: #007bff");
  s.Rule(".page-link:hover", "color: #0056b3; background-color: #e9ecef");
  s.Rule(".page-item.active .page-link", "color: #fff; background-color: #007bff");
  s.Rule(".page-item.disabled .page-link", "color: #6c757d");
  // Cards.
  s.Rule(".card", "position: relative; background-color: #fff; border: 1px solid #ddd");
  s.Rule(".card > hr", "margin-right: 0; margin-left: 0");
  s.Rule(".card-body", "padding: 20px");
  s.Rule(".card-title", "margin-bottom: 12px");
  s.Rule(".card-subtitle", "margin-top: -6px; margin-bottom: 0");
  s.Rule(".card-text", "margin-bottom: 0");
  s.Rule(".card-link:hover", "text-decoration: none");
  s.Rule(".card-link + .card-link", "margin-left: 20px");
  s.Rule(".card-header", "padding: 12px 20px; margin-bottom: 0; background-color: #f7f7f7");
  s.Rule(".card-footer", "padding: 12px 20px; background-color: #f7f7f7");
  s.Rule(".card-header .nav-tabs", "margin-bottom: -12px");
  s.Rule(".card .list-group-item", "border-right-width: 0; border-left-width: 0");
  // Tables.
  s.Rule(".table", "width: 100%; margin-bottom: 16px; color: #212529");
  s.Rule(".table th, .table td", "padding: 12px; vertical-align: top; border-top: 1px solid #dee2e6");
  s.Rule(".table thead th", "vertical-align: bottom; border-bottom: 2px solid #dee2e6");
  s.Rule(".table tbody + tbody", "border-top: 2px solid #dee2e6");
  s.Rule(".table-sm th, .table-sm td", "padding: 5px");
  s.Rule(".table-bordered, .table-bordered th, .table-bordered td", "border: 1px solid #dee2e6");
  s.Rule(".table-striped tbody tr", "background-color: #f9f9f9");
  s.Rule(".table-hover tbody tr:hover", "background-color: #f0f0f0");
  s.Rule(".table-dark, .table-dark th, .table-dark td", "color: #fff; background-color: #343a40");
  // Forms.
  s.Rule(".form-group", "margin-bottom: 16px");
  s.Rule(".form-control", "display: block; width: 100%; padding: 6px 12px; font-size: 14px; border: 1px solid #ced4da");
  s.Rule(".form-control:hover", "border-color: #80bdff");
  s.Rule(".form-control-sm", "padding: 4px 8px; font-size: 12px");
  s.Rule(".form-control-lg", "padding: 8px 16px; font-size: 18px");
  s.Rule(".form-check", "position: relative; padding-left: 20px");
  s.Rule(".form-check-input", "position: absolute; margin-top: 4px; margin-left: -20px");
  s.Rule(".form-check-label", "margin-bottom: 0");
  s.Rule(".form-inline .form-control", "display: inline-block; width: auto");
  s.Rule(".form-inline .form-group", "margin-bottom: 0");
  s.Rule("select.form-control", "padding-right: 24px");
  s.Rule("textarea.form-control", "height: auto");
  s.Rule(".input-group > .form-control", "position: relative; width: 1%");
  // Alerts, badges, list groups.
  s.Rule(".alert", "position: relative; padding: 12px 20px; margin-bottom: 16px; border: 1px solid transparent");
  s.Rule(".alert-heading", "color: inherit");
  s.Rule(".alert-link", "font-weight: bold");
  s.Rule(".alert-dismissible .close", "position: absolute; top: 0; right: 0");
  s.Rule(".badge", "display: inline-block; padding: 4px 6px; font-size: 75%; font-weight: bold");
  s.Rule("a.badge:hover", "text-decoration: none");
  s.Rule(".list-group", "padding-left: 0; margin-bottom: 0");
  s.Rule(".list-group-item", "position: relative; display: block; padding: 12px 20px; border: 1px solid #ddd");
  s.Rule(".list-group-item.active", "color: #fff; background-color: #007bff");
  s.Rule(".list-group-item.disabled", "color: #6c757d");
  s.Rule(".list-group-flush .list-group-item", "border-right-width: 0; border-left-width: 0");
  s.Rule(".list-unstyled", "padding-left: 0; list-style: none");
  s.Rule(".list-inline-item", "display: inline-block");
  s.Rule("ul.list-unstyled li", "margin-bottom: 4px");
  // The site's own rules, some by ID.
  s.Rule("#header", "background-color: #343a40");
  s.Rule("#header .navbar-brand", "color: #fff");
  s.Rule("#main", "padding-top: 24px");
  s.Rule("#main h2", "border-bottom: 1px solid #eee");
  s.Rule("#sidebar", "padding-left: 16px");
  s.Rule("#sidebar .widget", "margin-bottom: 24px");
  s.Rule("#sidebar .widget ul li a", "color: #555");
  s.Rule("#sidebar .widget ul li a:hover", "color: #000");
  s.Rule("#footer", "padding: 24px 0; color: #999; background-color: #f8f9fa");
  s.Rule("#footer a", "color: #666");
  s.Rule("#footer a:hover", "color: #333");
  s.Rule("div#main > .row > .col-md-8 p", "line-height: 1.6");
  // Utilities by breakpoint and size: widths, heights, borders, shadows.
  for (const std::string& bp : kBreakpoints)
    for (int w : {25, 50, 75, 100}) {
      s.Rule(".w-" + bp + std::to_string(w), "width: " + std::to_string(w) + "%");
      s.Rule(".h-" + bp + std::to_string(w), "height: " + std::to_string(w) + "%");
    }
  for (const char* side : {"", "-top", "-right", "-bottom", "-left"}) {
    s.Rule(std::string(".border") + side, std::string("border") + side + ": 1px solid #dee2e6");
    s.Rule(std::string(".border") + side + "-0", std::string("border") + side + ": 0");
  }
  for (const char* r : {"rounded", "rounded-top", "rounded-right", "rounded-bottom", "rounded-left", "rounded-circle", "rounded-0"})
    s.Rule(std::string(".") + r, "border-width: 1px");
  for (const std::string& bp : kBreakpoints)
    for (const char* pos : {"static", "relative", "absolute", "fixed"})
      s.Rule(".position-" + bp + pos, std::string("position: ") + pos);
  // Flex utilities and negative margins by breakpoint.
  for (const std::string& bp : kBreakpoints) {
    for (const char* f : {"row", "column", "row-reverse", "column-reverse", "wrap", "nowrap"})
      s.Rule(".flex-" + bp + f, "display: block");
    for (const char* j : {"start", "end", "center", "between", "around"})
      s.Rule(".justify-content-" + bp + j, "text-align: left");
    for (const char* a : {"start", "end", "center", "baseline", "stretch"})
      s.Rule(".align-items-" + bp + a, "vertical-align: top");
    for (const auto& [side, names] : sides)
      for (int k = 1; k <= 5; ++k) {
        std::string decl;
        for (const std::string& name : names)
          decl += "margin" + name + ": -" + std::to_string(sizes[k]) + "px; ";
        s.Rule(".m" + side + "-" + bp + "n" + std::to_string(k), decl);
      }
  }
  for (int k = 1; k <= 6; ++k) s.Rule(".fs-" + std::to_string(k), "font-size: " + std::to_string(26 - 2 * k) + "px");
  for (const char* lh : {"1", "sm", "base", "lg"}) s.Rule(std::string(".lh-") + lh, "line-height: 1.5");
  for (const char* u : {"visible", "invisible", "text-truncate", "text-nowrap", "text-wrap", "text-break",
                        "overflow-auto", "overflow-hidden", "sticky-top", "fixed-top", "fixed-bottom",
                        "shadow", "shadow-sm", "shadow-lg", "shadow-none", "stretched-link", "clearfix"})
    s.Rule(std::string(".") + u, "overflow: hidden");
  for (size_t v = 0; v < kVariants.size(); ++v) {
    const std::string& n = kVariants[v];
    s.Rule(".btn-" + n + ".disabled, .btn-" + n + ":disabled", "opacity: 0.65");
    s.Rule(".btn-outline-" + n + ".disabled", "background-color: transparent");
    s.Rule(".show > .btn-" + n + ".dropdown-toggle", "background-color: #0062cc");
    s.Rule(".bg-gradient-" + n, "background-color: " + kColours[v]);
  }
  // More components.
  s.Rule(".dropdown-menu", "position: absolute; top: 100%; left: 0; display: none; float: left; padding: 8px 0");
  s.Rule(".dropdown-menu-right", "right: 0; left: auto");
  s.Rule(".dropup .dropdown-menu", "top: auto; bottom: 100%");
  s.Rule(".dropdown-item", "display: block; width: 100%; padding: 4px 24px; color: #212529");
  s.Rule(".dropdown-item:hover", "color: #16181b; background-color: #f8f9fa");
  s.Rule(".dropdown-item.active", "color: #fff; background-color: #007bff");
  s.Rule(".dropdown-divider", "height: 0; margin: 8px 0; border-top: 1px solid #e9ecef");
  s.Rule(".dropdown-header", "display: block; padding: 8px 24px; font-size: 12px; color: #6c757d");
  s.Rule(".dropdown-toggle", "white-space: nowrap");
  s.Rule(".modal", "position: fixed; top: 0; left: 0; display: none; width: 100%; height: 100%");
  s.Rule(".modal-dialog", "position: relative; width: auto; margin: 8px");
  s.Rule(".modal-content", "position: relative; background-color: #fff; border: 1px solid #ccc");
  s.Rule(".modal-header", "padding: 16px; border-bottom: 1px solid #dee2e6");
  s.Rule(".modal-header .close", "padding: 16px; margin: -16px -16px -16px auto");
  s.Rule(".modal-title", "margin-bottom: 0; line-height: 1.5");
  s.Rule(".modal-body", "position: relative; padding: 16px");
  s.Rule(".modal-footer", "padding: 12px; border-top: 1px solid #dee2e6");
  s.Rule(".progress", "height: 16px; font-size: 12px; background-color: #e9ecef");
  s.Rule(".progress-bar", "color: #fff; text-align: center; background-color: #007bff");
  s.Rule(".progress-bar-striped", "background-color: #0069d9");
  s.Rule(".spinner-border, .spinner-grow", "display: inline-block; width: 32px; height: 32px");
  s.Rule(".tooltip", "position: absolute; z-index: 1070; display: block; font-size: 12px");
  s.Rule(".tooltip-inner", "padding: 4px 8px; color: #fff; text-align: center; background-color: #000");
  s.Rule(".bs-tooltip-top .arrow, .bs-tooltip-bottom .arrow", "left: 0");
  s.Rule(".jumbotron", "padding: 32px 16px; margin-bottom: 32px; background-color: #e9ecef");
  s.Rule(".media-body", "width: 100%");
  s.Rule(".figure-img", "margin-bottom: 8px");
  s.Rule(".figure-caption", "font-size: 90%; color: #6c757d");
  s.Rule(".close", "float: right; font-size: 21px; font-weight: bold; color: #000");
  s.Rule(".close:hover", "color: #000; text-decoration: none");
  s.Rule(".lead", "font-size: 18px; font-weight: 300");
  s.Rule(".blockquote-footer", "display: block; font-size: 80%; color: #6c757d");
  s.Rule(".img-fluid, .img-thumbnail", "max-width: 100%; height: auto");
  return s;
}

const char* kLoremWords[] = {"lorem", "ipsum", "dolor", "sit", "amet", "consectetur", "adipiscing", "elit"};

// A page built of the framework's parts; counts the elements it opens.
struct Page {
  std::string html;
  int elements = 0;
  void Open(const std::string& tag, const std::string& attrs = {}) {
    html += "<" + tag + (attrs.empty() ? std::string() : " " + attrs) + ">";
    ++elements;
  }
  void Close(const std::string& tag) { html += "</" + tag + ">\n"; }
  void Element(const std::string& tag, const std::string& attrs, const std::string& text) {
    Open(tag, attrs);
    html += text;
    Close(tag);
  }
};

std::string Words(int seed, int count) {
  std::string s;
  for (int i = 0; i < count; ++i) s += std::string(i ? " " : "") + kLoremWords[(seed + i * 3) % 8];
  return s;
}

Page FrameworkPage(int targetElements) {
  Page p;
  p.html = "<html><head><title>Framework page</title></head>\n";
  p.Open("body");
  p.Open("div", "id=\"header\" class=\"navbar navbar-dark bg-dark\"");
  p.Element("a", "class=\"navbar-brand\" href=\"/\"", "Brand");
  p.Open("ul", "class=\"navbar-nav\"");
  for (int i = 0; i < 8; ++i) {
    p.Open("li", i == 0 ? "class=\"nav-item active\"" : "class=\"nav-item\"");
    p.Element("a", "class=\"nav-link\" href=\"/section" + std::to_string(i) + "\"", Words(i, 1));
    p.Close("li");
  }
  p.Close("ul");
  p.Close("div");
  p.Open("div", "class=\"container\"");
  p.Open("div", "class=\"row\"");
  p.Open("div", "id=\"main\" class=\"col-md-8\"");
  for (int block = 0; p.elements < targetElements - 120; ++block) {
    const std::string& v = kVariants[block % kVariants.size()];
    switch (block % 5) {
      case 0: {  // a row of cards
        p.Open("div", "class=\"row mb-4\"");
        for (int c = 0; c < 3; ++c) {
          p.Open("div", "class=\"col-md-4 col-sm-6 mb-3\"");
          p.Open("div", "class=\"card border-" + v + "\"");
          p.Element("div", "class=\"card-header text-" + v + "\"", Words(block + c, 2));
          p.Open("div", "class=\"card-body\"");
          p.Element("h5", "class=\"card-title\"", Words(block, 3));
          p.Open("p", "class=\"card-text text-muted\"");
          p.html += Words(block * 7 + c, 12) + " ";
          p.Element("span", "class=\"badge badge-" + v + "\"", "new");
          p.Close("p");
          p.Element("a", "class=\"btn btn-" + v + " btn-sm\" href=\"#b" + std::to_string(block) + "\"", "Go");
          p.Close("div");
          p.Open("ul", "class=\"list-group list-group-flush\"");
          for (int i = 0; i < 3; ++i) p.Element("li", "class=\"list-group-item\"", Words(i + c, 4));
          p.Close("ul");
          p.Close("div");
          p.Close("div");
        }
        p.Close("div");
        break;
      }
      case 1: {  // a striped table
        p.Open("table", "class=\"table table-striped table-sm\"");
        p.Open("thead");
        p.Open("tr");
        for (int c = 0; c < 4; ++c) p.Element("th", "", Words(c, 1));
        p.Close("tr");
        p.Close("thead");
        p.Open("tbody");
        for (int r = 0; r < 6; ++r) {
          p.Open("tr", r == 2 ? "class=\"table-" + v + "\"" : "");
          for (int c = 0; c < 4; ++c) p.Element("td", c == 3 ? "class=\"text-right\"" : "", std::to_string(r * 17 + c));
          p.Close("tr");
        }
        p.Close("tbody");
        p.Close("table");
        break;
      }
      case 2: {  // a form
        p.Open("form", "class=\"mb-4\"");
        for (int f = 0; f < 3; ++f) {
          p.Open("div", "class=\"form-group\"");
          p.Element("label", "for=\"f" + std::to_string(f) + "\"", Words(f, 2));
          p.Open("input", "type=\"text\" class=\"form-control form-control-sm\" id=\"f" + std::to_string(block * 3 + f) + "\"");
          p.Close("div");
        }
        p.Open("div", "class=\"form-check\"");
        p.Open("input", "type=\"checkbox\" class=\"form-check-input\"");
        p.Element("label", "class=\"form-check-label\"", "remember");
        p.Close("div");
        p.Element("button", "class=\"btn btn-primary\"", "Send");
        p.Close("form");
        break;
      }
      case 3: {  // an alert and text
        p.Open("div", "class=\"alert alert-" + v + "\"");
        p.Element("h4", "class=\"alert-heading\"", Words(block, 2));
        p.Open("p");
        p.html += Words(block, 10) + " ";
        p.Element("a", "class=\"alert-link\" href=\"#a" + std::to_string(block) + "\"", "more");
        p.Close("p");
        p.Close("div");
        p.Element("h2", "", Words(block + 1, 3));
        for (int i = 0; i < 3; ++i) {
          p.Open("p", i == 0 ? "class=\"lead\"" : "");
          p.html += Words(block + i, 20) + " ";
          p.Element("strong", "", Words(i, 2));
          p.html += " " + Words(block * 3 + i, 8);
          p.Close("p");
        }
        break;
      }
      case 4: {  // tabs and a list
        p.Open("ul", "class=\"nav nav-tabs\"");
        for (int i = 0; i < 4; ++i) {
          p.Open("li", "class=\"nav-item\"");
          p.Element("a", i == 0 ? "class=\"nav-link active\" href=\"#t\"" : "class=\"nav-link\" href=\"#t\"", Words(i, 1));
          p.Close("li");
        }
        p.Close("ul");
        p.Open("ul", "class=\"list-unstyled mt-2 mb-4\"");
        for (int i = 0; i < 5; ++i) {
          p.Open("li");
          p.Element("a", "href=\"http://example.com/" + std::to_string(i) + "\"", Words(i, 3));
          p.Close("li");
        }
        p.Close("ul");
        break;
      }
    }
  }
  p.Close("div");
  p.Open("div", "id=\"sidebar\" class=\"col-md-4\"");
  for (int w = 0; w < 4; ++w) {
    p.Open("div", "class=\"widget\"");
    p.Element("h4", "", Words(w, 2));
    p.Open("ul");
    for (int i = 0; i < 5; ++i) {
      p.Open("li");
      p.Element("a", "href=\"/w" + std::to_string(i) + "\"", Words(i + w, 2));
      p.Close("li");
    }
    p.Close("ul");
    p.Close("div");
  }
  p.Close("div");
  p.Close("div");
  p.Close("div");
  p.Open("div", "id=\"footer\" class=\"text-center\"");
  p.Element("p", "class=\"mb-0\"", "footer");
  p.Close("div");
  p.Close("body");
  p.html += "</html>\n";
  return p;
}

void BM_Framework(benchmark::State& state, bool styled) {
  const Sheet sheet = FrameworkSheet();
  const Page page = FrameworkPage(5000);
  std::string html = page.html;
  if (styled) html.insert(html.find("</head>"), "<style>\n" + sheet.text + "</style>\n");
  for (auto _ : state) ParseOnce(html);
  state.counters["rules"] = styled ? sheet.rules : 0;
  state.counters["elements"] = page.elements;
}
BENCHMARK_CAPTURE(BM_Framework, unstyled, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Framework, styled, true)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return RunFixedMetricBenchmarks(argc, argv); }
