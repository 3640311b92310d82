// Sorting, median, sums, mean and sums of squared differences over an
// inclusive index range.
#pragma once

#include "numerics/vectors.h"

namespace numerics {

void QSort(TVector& X, int Lb, int Ub);   // ascending, in place
void DQSort(TVector& X, int Lb, int Ub);  // descending, in place
// Sorts X[Lb..Ub] ascending in place (the caller's vector changes).
double Median(TVector& X, int Lb, int Ub);
double Sum(const TVector& X, int Lb, int Ub);
double Mean(const TVector& X, int Lb, int Ub);
double SumSqrDif(const TVector& X, int Lb, int Ub, double Xref);
double SumSqrDifVect(const TVector& X, const TVector& Y, int Lb, int Ub);
double SumWSqrDif(const TVector& X, const TVector& W, int Lb, int Ub, double Xref);
double SumWSqrDifVect(const TVector& X, const TVector& Y, const TVector& W, int Lb, int Ub);

}  // namespace numerics
