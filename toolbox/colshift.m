%COLSHIFT  Shift every column of a matrix circularly by a multiple of a step.
%
%   Y = COLSHIFT(X, TYPE, STEP, 'per')
%
%   Column i of X, counted from 0, is shifted circularly along its rows by
%   i*STEP rows: upwards for TYPE 1, downwards for TYPE 2. Column 0 is always
%   copied unchanged, and a negative STEP reverses the direction. With rows
%   and columns counted from 0 and M the number of rows:
%
%     TYPE 1:  Y(j, i) = X(mod(j + i*STEP, M), i)
%     TYPE 2:  Y(j, i) = X(mod(j - i*STEP, M), i)
%
%   In terms of CIRCSHIFT, with k counting the columns from 1:
%     TYPE 1:  Y(:, k) = circshift(X(:, k), -(k-1)*STEP)
%     TYPE 2:  Y(:, k) = circshift(X(:, k),  (k-1)*STEP)
%   (apart from the 32-bit wrap of the offset described below).
%
%   Arguments
%     X     double array, real or complex. It is taken as M rows by N
%           columns, N being the product of all dimensions after the first,
%           so a 3-D array is shifted as M-by-(N2*N3) and Y is 2-D. Only the
%           real part of a complex X is read: Y is always real. Empty X
%           (no rows or no columns) gives an empty Y of the same M-by-N size.
%     TYPE  1 (shift up) or 2 (shift down).
%     STEP  rows of shift added per column.
%     'per' boundary mode: periodic extension, the only mode offered. It is
%           compared exactly and case-sensitively.
%
%   TYPE and STEP may be any non-empty real numeric array: double, single,
%   int8, uint8, int16, uint16, int32, uint32, int64 or uint64. Only their
%   first element is used. It is converted to double and truncated toward
%   zero, so TYPE 1.7 acts as 1, TYPE 2.5 as 2, STEP 2.9 as 2 and STEP -0.5
%   as 0. Logical, char, complex, sparse, cell and struct values are refused.
%   A TYPE that is NaN or infinite is refused like any TYPE other than 1 or 2.
%   A STEP that is NaN, infinite or, after truncation, outside the int32
%   range (-2147483648 to 2147483647) is refused.
%
%   The offset of column i is i*STEP (negated for TYPE 2) computed in 32-bit
%   two's-complement arithmetic: for very large STEP or very many columns it
%   wraps around modulo 2^32 before the shift is reduced modulo M.
%
%   Errors (checked in this order; the first failure ends the call)
%     Not enough input for COLSHIFT!
%         fewer than 4 arguments.
%     The first input (x) must be a full double array (real or complex)
%         X is single, integer, logical, char, sparse, cell or struct.
%     The second input (type) must be a non-empty real numeric array
%         TYPE is empty, complex, sparse or not numeric.
%     The second input (type) must be either 1 or 2
%         TYPE after truncation is not 1 or 2 (NaN and Inf included).
%     The third input (step) must be a non-empty real numeric array
%         STEP is empty, complex, sparse or not numeric.
%     The third input (step) must be a finite number within the int32 range
%         STEP is NaN or infinite, or outside the int32 range after truncation.
%     EXTMOD arg must be a string
%         the fourth argument is not a char array.
%     Invalid EXTMOD
%         the fourth argument is not exactly 'per' (e.g. 'PER', 'per ',
%         'period', '', or any string of 10 characters or more).
%
%   Example
%     x = reshape(1:12, 4, 3);
%     colshift(x, 1, 1, 'per')
%     %   1   6  11
%     %   2   7  12
%     %   3   8   9
%     %   4   5  10
%     colshift(x, 2, 1, 'per')
%     %   1   8  11
%     %   2   5  12
%     %   3   6   9
%     %   4   7  10
%
%   See also CIRCSHIFT.

% colshift is a MEX module (colshift/colshift.cpp); this file holds its help.
