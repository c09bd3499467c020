## colshift from Octave: every message, the shifts against a plain reference
## built on circshift, and colshift used the way a user would.

%!function y = reference_shift (x, type, step)
%!  ## Column k (1-based) moves by (k-1)*step rows, the offset wrapped to 32
%!  ## bits as the module does; exact in doubles for these sizes.
%!  m = size (x, 1);
%!  n = numel (x) / max (m, 1);
%!  if (m == 0)
%!    y = zeros (0, size (x, 2) * prod (size (x)(3:end)));
%!    return;
%!  endif
%!  x = reshape (real (x), m, n);
%!  y = zeros (m, n);
%!  type = fix (type);
%!  step = fix (step);
%!  for k = 1:n
%!    offset = (k - 1) * step;
%!    if (type == 2)
%!      offset = -offset;
%!    endif
%!    offset = mod (offset + 2^31, 2^32) - 2^31;
%!    y(:, k) = circshift (x(:, k), -offset);
%!  endfor
%!endfunction

## ---- the worked example ----

%!test
%! x = reshape (1:12, 4, 3);
%! up = [1 6 11; 2 7 12; 3 8 9; 4 5 10];
%! down = [1 8 11; 2 5 12; 3 6 9; 4 7 10];
%! assert (colshift (x, 1, 1, 'per'), up);
%! assert (colshift (x, 1, 5, 'per'), up);
%! assert (colshift (x, 2, 1, 'per'), down);
%! assert (colshift (x, 2, 5, 'per'), down);

## ---- every message ----

%!error <Not enough input for COLSHIFT!> colshift ()
%!error <Not enough input for COLSHIFT!> colshift (magic (3))
%!error <Not enough input for COLSHIFT!> colshift (magic (3), 1, 1)
%!error <Not enough input for COLSHIFT!> colshift ('bad', NaN, [])
%!error <The first input \(x\) must be a full double array \(real or complex\)> colshift (single (magic (3)), 1, 1, 'per')
%!error <The first input \(x\) must be a full double array \(real or complex\)> colshift (int32 (magic (3)), 1, 1, 'per')
%!error <The first input \(x\) must be a full double array \(real or complex\)> colshift ('abc', 1, 1, 'per')
%!error <The first input \(x\) must be a full double array \(real or complex\)> colshift (true (2), 1, 1, 'per')
%!error <The first input \(x\) must be a full double array \(real or complex\)> colshift (speye (3), 1, 1, 'per')
%!error <The first input \(x\) must be a full double array \(real or complex\)> colshift ({1}, 1, 1, 'per')
%!error <The first input \(x\) must be a full double array \(real or complex\)> colshift (struct ('a', 1), 1, 1, 'per')
%!error <The second input \(type\) must be a non-empty real numeric array> colshift (magic (3), [], 1, 'per')
%!error <The second input \(type\) must be a non-empty real numeric array> colshift (magic (3), 1+1i, 1, 'per')
%!error <The second input \(type\) must be a non-empty real numeric array> colshift (magic (3), '1', 1, 'per')
%!error <The second input \(type\) must be a non-empty real numeric array> colshift (magic (3), true, 1, 'per')
%!error <The second input \(type\) must be a non-empty real numeric array> colshift (magic (3), sparse (1), 1, 'per')
%!error <The second input \(type\) must be a non-empty real numeric array> colshift (magic (3), {1}, 1, 'per')
%!error <The second input \(type\) must be either 1 or 2> colshift (magic (3), 0.5, 1, 'per')
%!error <The second input \(type\) must be either 1 or 2> colshift (magic (3), 3, 1, 'per')
%!error <The second input \(type\) must be either 1 or 2> colshift (magic (3), 0, 1, 'per')
%!error <The second input \(type\) must be either 1 or 2> colshift (magic (3), -1, 1, 'per')
%!error <The second input \(type\) must be either 1 or 2> colshift (magic (3), NaN, 1, 'per')
%!error <The second input \(type\) must be either 1 or 2> colshift (magic (3), Inf, 1, 'per')
%!error <The second input \(type\) must be either 1 or 2> colshift (magic (3), -Inf, 1, 'per')
%!error <The second input \(type\) must be either 1 or 2> colshift (magic (3), 2^32 + 1, 1, 'per')
%!error <The second input \(type\) must be either 1 or 2> colshift (magic (3), int8 (3), 1, 'per')
%!error <The third input \(step\) must be a non-empty real numeric array> colshift (magic (3), 1, [], 'per')
%!error <The third input \(step\) must be a non-empty real numeric array> colshift (magic (3), 1, zeros (1, 0), 'per')
%!error <The third input \(step\) must be a non-empty real numeric array> colshift (magic (3), 1, 2i, 'per')
%!error <The third input \(step\) must be a non-empty real numeric array> colshift (magic (3), 1, '2', 'per')
%!error <The third input \(step\) must be a non-empty real numeric array> colshift (magic (3), 1, false, 'per')
%!error <The third input \(step\) must be a finite number within the int32 range> colshift (magic (3), 1, NaN, 'per')
%!error <The third input \(step\) must be a finite number within the int32 range> colshift (magic (3), 1, Inf, 'per')
%!error <The third input \(step\) must be a finite number within the int32 range> colshift (magic (3), 2, -Inf, 'per')
%!error <The third input \(step\) must be a finite number within the int32 range> colshift (magic (3), 1, 2^31, 'per')
%!error <The third input \(step\) must be a finite number within the int32 range> colshift (magic (3), 1, -2^31 - 1, 'per')
%!error <The third input \(step\) must be a finite number within the int32 range> colshift (magic (3), 1, uint32 (2^31), 'per')
%!error <The third input \(step\) must be a finite number within the int32 range> colshift (magic (3), 1, int64 (-2^40), 'per')
%!error <EXTMOD arg must be a string> colshift (magic (3), 1, 1, 112)
%!error <EXTMOD arg must be a string> colshift (magic (3), 1, 1, [])
%!error <EXTMOD arg must be a string> colshift (magic (3), 1, 1, {'per'})
%!error <Invalid EXTMOD> colshift (magic (3), 1, 1, 'PER')
%!error <Invalid EXTMOD> colshift (magic (3), 1, 1, 'per ')
%!error <Invalid EXTMOD> colshift (magic (3), 1, 1, 'period')
%!error <Invalid EXTMOD> colshift (magic (3), 1, 1, '')
%!error <Invalid EXTMOD> colshift (magic (3), 1, 1, 'perperperp')
%!error <Invalid EXTMOD> colshift (magic (3), 1, 1, 'pe')
%!error <Invalid EXTMOD> colshift (magic (3), 2, 1, ' per')

## The checks run in order: the first failure is the one reported.
%!error <The first input \(x\)> colshift ('x', 5, NaN, 0)
%!error <either 1 or 2> colshift (magic (3), 5, NaN, 0)
%!error <The third input \(step\) must be a finite> colshift (magic (3), 1, NaN, 0)
%!error <EXTMOD arg must be a string> colshift (magic (3), 2, 3, 0)

## Errors carry no identifier: they are message-only.
%!test
%! try
%!   colshift (magic (3), 1, 1, 'PER');
%!   error ('test:unreached', 'colshift accepted PER');
%! catch err
%!   assert (err.identifier, '');
%!   assert (isempty (strfind (err.message, 'unreached')));
%! end_try_catch

## ---- accepted arguments ----

%!test
%! ## truncation of type and step
%! x = reshape (1:35, 7, 5);
%! assert (colshift (x, 1.7, 1, 'per'), colshift (x, 1, 1, 'per'));
%! assert (colshift (x, 2.5, 1, 'per'), colshift (x, 2, 1, 'per'));
%! assert (colshift (x, 1, 2.9, 'per'), colshift (x, 1, 2, 'per'));
%! assert (colshift (x, 1, -2.9, 'per'), colshift (x, 1, -2, 'per'));
%! assert (colshift (x, 2, -0.5, 'per'), x);

%!test
%! ## only the first element of type and step
%! x = reshape (1:20, 5, 4);
%! assert (colshift (x, [2 1 7], [3 0 NaN], 'per'), colshift (x, 2, 3, 'per'));
%! assert (colshift (x, [1 5; 6 0], [-1 4; 4 4], 'per'), colshift (x, 1, -1, 'per'));

%!test
%! ## other numeric classes of type and step are converted
%! x = reshape (1:24, 6, 4);
%! expected = colshift (x, 2, 5, 'per');
%! for cls = {'single', 'int8', 'uint8', 'int16', 'uint16', 'int32', 'uint32', 'int64', 'uint64'}
%!   assert (colshift (x, cast (2, cls{1}), cast (5, cls{1}), 'per'), expected);
%! endfor
%! assert (colshift (x, single (1.7), single (-2.9), 'per'), colshift (x, 1, -2, 'per'));

%!test
%! ## step 0, one column and multiples of M keep the input
%! x = rand (5, 6);
%! assert (colshift (x, 1, 0, 'per'), x);
%! assert (colshift (x, 2, 0, 'per'), x);
%! assert (colshift (x, 1, 5, 'per'), x);
%! assert (colshift (x, 2, -15, 'per'), x);
%! c = (1:9)';
%! assert (colshift (c, 1, 4, 'per'), c);
%! assert (colshift (c, 2, -7, 'per'), c);

%!test
%! ## type 1 with s is type 2 with -s
%! x = rand (9, 7);
%! for s = [1 2 3 -4 7 1000 2^31-1 -(2^31-1)]
%!   assert (colshift (x, 1, s, 'per'), colshift (x, 2, -s, 'per'));
%! endfor

%!test
%! ## empty inputs
%! assert (size (colshift (zeros (0, 3), 1, 2, 'per')), [0 3]);
%! assert (size (colshift (zeros (4, 0), 2, 2, 'per')), [4 0]);
%! assert (size (colshift ([], 1, 2, 'per')), [0 0]);
%! assert (size (colshift (zeros (0, 2, 3), 1, 2, 'per')), [0 6]);

%!test
%! ## complex input: the shifted real part, as a real result
%! x = reshape (1:12, 4, 3) + 1i * reshape (101:112, 4, 3);
%! y = colshift (x, 1, 1, 'per');
%! assert (isreal (y));
%! assert (y, colshift (real (x), 1, 1, 'per'));

%!test
%! ## N-dimensional input is shifted as M-by-(the rest), the result 2-D
%! x = reshape (1:24, 3, 2, 4);
%! y = colshift (x, 1, 1, 'per');
%! assert (size (y), [3 8]);
%! assert (y, colshift (reshape (x, 3, 8), 1, 1, 'per'));
%! assert (y, reference_shift (x, 1, 1));

%!test
%! ## steps near the int32 limits wrap the offset in 32 bits
%! x = reshape (1:70, 7, 10);
%! for s = [2^31-1, -2^31, 2^31-2, -2^31+1, 2^30, 65536]
%!   for type = 1:2
%!     assert (colshift (x, type, s, 'per'), reference_shift (x, type, s));
%!   endfor
%! endfor
%! assert (colshift (x, 1, int32 (-2^31), 'per'), reference_shift (x, 1, -2^31));
%! assert (colshift (x, 1, 2^31 - 0.5, 'per'), reference_shift (x, 1, 2^31 - 1));

## ---- randomized cross-check against circshift per column ----

%!test
%! rand ('state', 20261211);
%! for trial = 1:400
%!   m = randi ([0 15]);
%!   n = randi ([0 15]);
%!   x = randn (m, n);
%!   type = randi (2) + 0.9 * rand ();
%!   switch (mod (trial, 3))
%!     case 0
%!       step = randi ([-20 20]);
%!     case 1
%!       step = (rand () - 0.5) * 40;
%!     otherwise
%!       step = randi ([-2^31, 2^31 - 1]);
%!   endswitch
%!   y = colshift (x, type, step, 'per');
%!   if (! isequal (y, reference_shift (x, type, step)))
%!     error ('trial %d: %dx%d type %g step %.17g', trial, m, n, type, step);
%!   endif
%! endfor

## ---- as a user would ----

%!test
%! ## skewing an image and undoing it
%! img = magic (8);
%! skewed = colshift (img, 2, 1, 'per');
%! assert (skewed(:, 1), img(:, 1));
%! assert (skewed(:, 2), circshift (img(:, 2), 1));
%! assert (colshift (skewed, 1, 1, 'per'), img);
%! assert (colshift (colshift (img, 1, 3, 'per'), 2, 3, 'per'), img);

%!test
%! ## a single result whatever nargout, usable in expressions; the input is unchanged
%! x = reshape (1:12, 4, 3);
%! kept = x;
%! colshift (x, 1, 1, 'per');
%! assert (ans, [1 6 11; 2 7 12; 3 8 9; 4 5 10]);
%! assert (sum (colshift (x, 2, 1, 'per')), sum (x));
%! assert (x, kept);

%!test
%! ## a row vector: one row, nothing to shift
%! assert (colshift (1:5, 1, 3, 'per'), 1:5);

%!test
%! ## the help text is found next to the module
%! text = evalc ('help colshift');
%! assert (! isempty (strfind (text, 'Invalid EXTMOD')));
%! assert (! isempty (strfind (text, 'int32 range')));
