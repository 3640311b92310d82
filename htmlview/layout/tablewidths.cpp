#include "htmlview/layout/tablewidths.h"

#include <algorithm>
#include <cmath>

#include "htmlview/style/styleprops.h"

namespace htmlview {

namespace {

// The distinct spans of the cells, smallest first: the algorithms handle
// all cells of one span before the next, and a span may be large, so the
// spans are collected instead of counted up to.
std::vector<int> SpansOf(const std::vector<SpanCell>& cells) {
  std::vector<int> spans;
  for (const SpanCell& c : cells)
    if (c.ColSpan >= 1) spans.push_back(c.ColSpan);
  std::sort(spans.begin(), spans.end());
  spans.erase(std::unique(spans.begin(), spans.end()), spans.end());
  return spans;
}

// Widths and heights of a great many columns or rows stop at the layout
// extent instead of wrapping.
int Sum(const std::vector<int>& v, int from, int to) {
  long long s = 0;
  for (int k = from; k < to; ++k) s += v[k];
  return platform::LayoutSum(s);
}

int Sum(const std::vector<int>& v) { return Sum(v, 0, static_cast<int>(v.size())); }

void Totals(ColumnWidths& cw) {
  cw.TotMin = Sum(cw.Min);
  cw.TotMax = Sum(cw.Max);
}

ColumnWidths Zeroed(int numCols) {
  ColumnWidths cw;
  const size_t n = static_cast<size_t>(std::max(0, numCols));
  cw.Min.assign(n, 0);
  cw.Max.assign(n, 0);
  cw.Percents.assign(n, 0);
  return cw;
}

// The spanned columns of a cell inside the grid: [first, last).
bool Columns(const SpanCell& c, int numCols, int& first, int& last) {
  if (c.Col < 0 || c.Col >= numCols || c.ColSpan < 1) return false;
  first = c.Col;
  last = c.Col + std::min(c.ColSpan, numCols - c.Col);
  return true;
}

}  // namespace

ColumnWidths AbsoluteMinMax(int numCols, const std::vector<SpanCell>& cells) {
  ColumnWidths cw = Zeroed(numCols);
  for (const int span : SpansOf(cells)) {
    for (const SpanCell& c : cells) {
      int first, last;
      if (c.ColSpan != span || !Columns(c, numCols, first, last)) continue;
      int mn = c.Min + c.Add;
      int mx = c.Max + c.Add;
      const bool pixels = c.SpecWd > 0 && !c.SpecWdIsPercent;
      if (span == 1) {
        if (pixels) mn = mx = std::max(mn, c.SpecWd + c.Add);
        cw.Min[first] = std::max(cw.Min[first], mn);
        cw.Max[first] = std::max(cw.Max[first], mx);
        continue;
      }
      const int totMin = Sum(cw.Min, first, last);
      const int totMax = Sum(cw.Max, first, last);
      if (pixels) {
        mn = std::max(mn, c.SpecWd);
        mx = std::max(mn, c.SpecWd);
      }
      if (totMin < mn) {
        if (totMin >= 1) {
          for (int k = first; k < last; ++k) cw.Min[k] += MulDiv(cw.Min[k], mn - totMin, totMin);
        } else {
          cw.Min[first] = mn;
        }
      }
      if (totMax < mx) {
        if (totMax >= 1) {
          for (int k = first; k < last; ++k) cw.Max[k] += MulDiv(cw.Max[k], mx - totMax, totMax);
        } else {
          cw.Max[first] = mx;
        }
      }
    }
  }
  Totals(cw);
  return cw;
}

ColumnWidths PercentMinMax(int numCols, const std::vector<SpanCell>& cells, int refWidth) {
  ColumnWidths cw = Zeroed(numCols);
  const int w = refWidth;
  for (const int span : SpansOf(cells)) {
    for (const SpanCell& c : cells) {
      int first, last;
      if (c.ColSpan != span || !Columns(c, numCols, first, last)) continue;
      int pc = 0;
      if (c.SpecWdIsPercent)
        pc = c.SpecWd;
      else if (c.SpecWd > 0 && w > 0)
        pc = std::min(1000, MulDiv(c.SpecWd, 1000, w));
      const int mn = c.Min + c.Add;
      const int mx = c.Max + c.Add;
      if (span == 1) {
        cw.Max[first] = std::max(cw.Max[first], mx);
        cw.Min[first] = std::max(cw.Min[first], mn);
        cw.Percents[first] = std::max(cw.Percents[first], pc);
        continue;
      }
      int totMax = Sum(cw.Max, first, last);
      int totMin = Sum(cw.Min, first, last);
      int pcSum = 0, unspec = 0;
      for (int k = first; k < last; ++k) {
        if (cw.Percents[k] > 0)
          pcSum += cw.Percents[k];
        else
          ++unspec;
      }
      if (last - first == numCols) {
        totMin = std::max(totMin, w);
        totMax = std::max(totMax, w);
      }
      const int excessMin = mn - totMin;
      const int excessMax = mx - totMax;
      const int cols = last - first;
      if (pc < 1 && pcSum < 1) {
        auto spread = [&](std::vector<int>& v, int want, int tot) {
          for (int k = first; k < last; ++k) v[k] = tot > 0 ? MulDiv(want, v[k], tot) : want / cols;
          const int got = Sum(v, first, last);
          if (got < want) v[first] += want - got;
        };
        if (excessMin > 0) spread(cw.Min, mn, totMin);
        if (excessMax > 0) spread(cw.Max, mx, totMax);
        continue;
      }
      const int each = unspec > 0 ? std::max(0, (pc - pcSum) / unspec) : 0;
      if (unspec == 0 && pcSum + 1 < pc) {
        for (int k = first; k < last; ++k) cw.Percents[k] = MulDiv(cw.Percents[k], pc, pcSum);
      } else if (each > 0) {
        for (int k = first; k < last; ++k)
          if (cw.Percents[k] == 0) cw.Percents[k] = each;
      }
      const int pcTot = std::max(pcSum, pc);
      if (excessMin > 0) {
        for (int k = first; k < last; ++k) {
          if (unspec < 1 || totMax < 1)
            cw.Min[k] += MulDiv(excessMin, cw.Percents[k], pcTot);
          else
            cw.Min[k] += MulDiv(excessMin, cw.Max[k], totMax);
        }
      }
      if (excessMax >= 1)
        for (int k = first; k < last; ++k) cw.Max[k] += MulDiv(excessMax, cw.Percents[k], pcTot);
    }
  }
  Totals(cw);
  return cw;
}

std::vector<int> SimpleDistribution(const ColumnWidths& cw, int width) {
  const int n = static_cast<int>(cw.Min.size());
  if (cw.TotMin > width) return cw.Min;
  if (cw.TotMax <= width) return cw.Max;
  std::vector<int> w(n);
  const int d = cw.TotMax - cw.TotMin;
  if (d < 1) {
    for (int i = 0; i < n; ++i)
      w[i] = cw.Min[i] + (cw.TotMin > 0 ? MulDiv(cw.Min[i], width - cw.TotMin, cw.TotMin) : 0);
    return w;
  }
  for (int i = 0; i < n; ++i) w[i] = cw.Min[i] + MulDiv(cw.Max[i] - cw.Min[i], width - cw.TotMin, d);
  int diff = Sum(w) - width;
  for (int i = 0; i < n && diff > 0; ++i)
    if (cw.Max[i] > cw.Min[i]) {
      --w[i];
      --diff;
    }
  for (int i = 0; i < n && diff < 0; ++i) {
    ++w[i];
    ++diff;
  }
  return w;
}

std::vector<int> DistributeWithTableWidth(const ColumnWidths& cw, int width) {
  const int n = static_cast<int>(cw.Min.size());
  std::vector<int> w(n, 0);
  if (n == 0) return w;
  std::vector<bool> clamped(n, false);
  std::vector<bool> isPc(n, false);
  int pcSum = 0, unspec = 0, lastUnspec = -1, unspecRange = 0;
  for (int i = 0; i < n; ++i) {
    if (cw.Percents[i] > 0) {
      isPc[i] = true;
      w[i] = MulDiv(width, cw.Percents[i], 1000);
      if (w[i] <= cw.Min[i]) {
        w[i] = cw.Min[i];
        clamped[i] = true;
      } else {
        pcSum += cw.Percents[i];
      }
    } else {
      w[i] = cw.Min[i];
      ++unspec;
      lastUnspec = i;
      unspecRange += std::max(0, cw.Max[i] - cw.Min[i]);
    }
  }
  int excess = Sum(w) - width;
  if (excess >= 1) {
    for (int pass = 0; pass < 4; ++pass) {
      bool clampedSome = false;
      for (int i = 0; i < n; ++i) {
        if (!isPc[i] || clamped[i] || pcSum <= 0) continue;
        if (w[i] - MulDiv(excess, cw.Percents[i], pcSum) < cw.Min[i]) {
          excess -= w[i] - cw.Min[i];
          w[i] = cw.Min[i];
          clamped[i] = true;
          pcSum -= cw.Percents[i];
          clampedSome = true;
        }
      }
      if (!clampedSome) break;
    }
    if (pcSum > 0) {
      const int e = excess;
      for (int i = 0; i < n; ++i)
        if (isPc[i] && !clamped[i]) w[i] -= MulDiv(e, cw.Percents[i], pcSum);
    }
  } else if (excess < 0) {
    const int room = -excess;
    if (unspec == 0) {
      if (pcSum > 0)
        for (int i = 0; i < n; ++i)
          if (isPc[i] && !clamped[i]) w[i] += MulDiv(room, cw.Percents[i], pcSum);
    } else if (unspecRange > 0 && room / 4 <= unspecRange) {
      for (int i = 0; i < n; ++i)
        if (!isPc[i]) w[i] += MulDiv(room, std::max(0, cw.Max[i] - cw.Min[i]), unspecRange);
    } else {
      for (int i = 0; i < n; ++i)
        if (!isPc[i]) w[i] += room / unspec;
    }
  }
  // Rounding leaves a few pixels over or under.
  excess = Sum(w) - width;
  if (excess > 0) {
    for (int i = 0; i < n; ++i)
      if (!clamped[i]) {
        w[i] -= excess;
        break;
      }
  } else if (excess < 0) {
    int deficit = -excess;
    if (unspec == 0) {
      while (deficit > n) {
        const int each = deficit / n;
        for (int i = 0; i < n; ++i) w[i] += each;
        deficit -= each * n;
      }
      for (int i = 0; i < n && deficit > 0; ++i, --deficit) ++w[i];
    } else {
      w[lastUnspec] += deficit;
    }
  }
  return w;
}

std::vector<int> DistributeWithoutTableWidth(ColumnWidths& cw, int width) {
  const int n = static_cast<int>(cw.Min.size());
  std::vector<int> w(n, 0);
  if (n == 0) return w;
  const int pcSum = Sum(cw.Percents);
  if (pcSum >= 1 && pcSum <= 1000) {
    int needed = 0;
    int otherMax = 0;
    bool otherWide = false;
    for (int i = 0; i < n; ++i) {
      if (cw.Percents[i] > 0) {
        needed = std::max(needed, MulDiv(cw.Max[i], 1000, cw.Percents[i]));
      } else {
        otherMax += cw.Max[i];
        if (cw.Max[i] > 0) otherWide = true;
      }
    }
    if (pcSum >= 1000)
      needed = std::max(needed, otherWide ? 30000 : 0);
    else
      needed = std::max(needed, MulDiv(otherMax, 1000, 1000 - pcSum));
    if (needed <= width) {
      const int otherRoom = MulDiv(needed, 1000 - pcSum, 1000);
      for (int i = 0; i < n; ++i) {
        if (cw.Percents[i] > 0)
          w[i] = MulDiv(needed, cw.Percents[i], 1000);
        else
          w[i] = otherMax < 1 ? 0 : MulDiv(cw.Max[i], otherRoom, otherMax);
      }
      return w;
    }
    // Too narrow for every percentage: drop those whose share cannot hold
    // their minimum and scale the rest until they fit beside the others.
    int lastRoom = 268435455;
    std::vector<bool> fits(n);
    for (;;) {
      int pcW = 0, other = 0;
      bool anyFits = false;
      for (int i = 0; i < n; ++i) {
        fits[i] = false;
        if (cw.Percents[i] > 0) {
          const int share = MulDiv(width, cw.Percents[i], 1000);
          if (share >= cw.Min[i]) {
            fits[i] = true;
            anyFits = true;
            pcW += share;
            continue;
          }
          cw.Percents[i] = 0;
        }
        other += cw.Min[i];
      }
      if (!anyFits) break;
      if (pcW + other > width) {
        const int room = std::min(width - other, lastRoom - 1);
        lastRoom = room;
        for (int i = 0; i < n; ++i)
          if (fits[i]) cw.Percents[i] = std::max(0, MulDiv(cw.Percents[i], room, pcW));
        continue;
      }
      for (int i = 0; i < n; ++i)
        if (fits[i]) cw.Min[i] = cw.Max[i] = MulDiv(width, cw.Percents[i], 1000);
      Totals(cw);
      break;
    }
  }
  const int d = cw.TotMax - cw.TotMin;
  for (int i = 0; i < n; ++i) {
    if (d != 0)
      w[i] = cw.Min[i] + MulDiv(cw.Max[i] - cw.Min[i], width - cw.TotMin, d);
    else
      w[i] = cw.Min[i] + (width - cw.TotMin) / n;
  }
  int widest = 0;
  for (int i = 1; i < n; ++i)
    if (cw.Max[i] - cw.Min[i] > cw.Max[widest] - cw.Min[widest]) widest = i;
  w[widest] += width - Sum(w);
  return w;
}

std::vector<int> RowHeights(int rowCount, int height, int cellSpacing,
                            const std::vector<RowSpanMeasure>& measures) {
  const int n = std::max(0, rowCount);
  std::vector<int> a(n, 0), b(n, 0);
  std::vector<bool> spec(n, false);
  if (n == 0) return a;
  const int h = height - cellSpacing;
  std::vector<RowSpanMeasure> ordered = measures;
  std::stable_sort(ordered.begin(), ordered.end(),
                   [](const RowSpanMeasure& x, const RowSpanMeasure& y) { return x.Span < y.Span; });
  for (const RowSpanMeasure& m : ordered) {
    if (m.Row < 0 || m.Span < 1 || m.Row + m.Span > n) continue;
    const int ht = m.Ht + cellSpacing;
    const int desired = m.Desired + cellSpacing;
    if (m.Span == 1) {
      a[m.Row] = ht;
      b[m.Row] = desired;
      spec[m.Row] = spec[m.Row] || m.Specified;
      continue;
    }
    if (ht <= cellSpacing) continue;
    const int first = m.Row, last = m.Row + m.Span;
    for (int k = first; k < last; ++k) spec[k] = spec[k] || m.Specified;
    auto grow = [&](std::vector<int>& v, int want) {
      const int sum = Sum(v, first, last);
      if (want <= sum) return;
      const int each = (want - sum) / m.Span;
      for (int k = first; k < last; ++k) v[k] += each;
      v[last - 1] += (want - sum) - each * m.Span;
    };
    grow(a, ht);
    grow(b, desired);
  }
  const int sumA = Sum(a), sumB = Sum(b);
  int unspec = 0;
  for (int j = 0; j < n; ++j)
    if (!spec[j]) ++unspec;
  if (sumA >= h) return a;
  std::vector<int> heights(n);
  auto round = [](double v) { return platform::ClampToInt(std::nearbyint(v)); };
  if (sumB >= h) {
    const double f = static_cast<double>(h - sumA) / (sumB - sumA);
    int used = 0;
    for (int j = 0; j < n - 1; ++j) {
      heights[j] = a[j] + round((b[j] - a[j]) * f);
      used += heights[j];
    }
    heights[n - 1] = h - used;
    return heights;
  }
  if (unspec == 0 && sumB > 0) {
    const double f = static_cast<double>(h) / sumB;
    int used = 0;
    for (int j = 0; j < n - 1; ++j) {
      heights[j] = round(b[j] * f);
      used += heights[j];
    }
    heights[n - 1] = h - used;
    return heights;
  }
  // Every row specified yet none with a height: they share the height as
  // unspecified rows would.
  if (unspec == 0) {
    unspec = n;
    spec.assign(n, false);
  }
  heights = b;
  const int extra = h - sumB;
  int lastUnspec = -1;
  for (int j = 0; j < n; ++j)
    if (!spec[j]) {
      heights[j] += extra / unspec;
      lastUnspec = j;
    }
  heights[lastUnspec] += extra - (extra / unspec) * unspec;
  return heights;
}

int VerticalIndent(TVAlign vAlign, int ht, int contentHt, int vrSpace, int cellSpacing) {
  const int free = ht - contentHt - vrSpace - cellSpacing;
  switch (vAlign) {
    case TVAlign::Middle:
      return free / 2;
    case TVAlign::Bottom:
    case TVAlign::Baseline:
      return free;
    default:
      return 0;
  }
}

}  // namespace htmlview
