// Test suites over the viewer control: the fixed-metric test fonts and the
// viewer module, set up once a suite.
#pragma once

#include <gtest/gtest.h>

#include "htmlview/viewermodule.h"
#include "platform/fonts.h"

namespace htmlview {

template <class Base = ::testing::Test>
class ViewerSuite : public Base {
 protected:
  static void SetUpTestSuite() {
    platform::SetFontBackend(platform::FontBackend::FixedMetric, {"Times New Roman", "Arial", "Courier New"});
    InitViewerModule();
  }
  static void TearDownTestSuite() { DoneViewerModule(); }
};

}  // namespace htmlview
