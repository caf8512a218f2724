#pragma once
// Steps of a field's value, worked out on the decimal digits the value reads
// as, so a value half-way between two steps goes up however the binary double
// happens to fall (0.03 at step 0.02 is 0.04, 3 at step 0.1 stays 3).

// The multiple of `step` nearest to `value`; half-way goes up. A zero step
// leaves the value as it is.
double RoundToStep(double value, double step);
// step x trunc(value / step), truncated toward zero.
long long TruncToStep(long long value, double step);
