// Start-up of the numerics library.
#pragma once

namespace numerics {

// Sets every module's defaults and registers the regression models, in the
// library's order: elementary functions, matrices, special functions, ...,
// regression, then the models. Call once at program start before any other
// numerics routine (and again to restore the defaults).
void InitNumerics();

}  // namespace numerics
