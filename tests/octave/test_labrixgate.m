## labrixgate and labrixnew end to end in Octave: every mode of the gateway
## with its identifiers and messages, output classes and shapes, close, and
## the objects' lifetime across `clear functions` and `clear all`.

%!function h = grid3x2 ()
%!  ## 3-by-2 grid, 3 labels, data cost = label, Potts smoothness.
%!  D = repmat ([0; 1; 2], [1 3 2]);
%!  h = labrixnew (D, 1 - eye (3));
%!endfunction

%!function check_energy (h, labels, smooth, data)
%!  h = labrixgate (h, 's', int32 (labels));
%!  [h, s, d] = labrixgate (h, 'n');
%!  assert (class (s), 'single');
%!  assert (class (d), 'single');
%!  assert (size (s), [1 1]);
%!  assert ([s d], single ([smooth data]));
%!endfunction

## ---- the entry's checks ----

%!test
%! h = grid3x2 ();
%! expect_error (@() labrixgate (h), 'Labrix', 'Too few input arguments');
%! expect_error (@() labrixgate (), 'Labrix', 'Too few input arguments');
%! expect_error (@() labrixgate ([h h], 'g'), 'Labrix:handle', 'Too many LX handles');
%! expect_error (@() labrixgate (uint32 ([]), 'g'), 'Labrix:handle', 'Too many LX handles');
%! expect_error (@() labrixgate (double (h), 'g'), 'Labrix:handle', 'LX handle argument is not of proper type');
%! expect_error (@() labrixgate (uint32 (0), 'g'), 'Labrix:handle', 'LX handle is not valid');
%! expect_error (@() labrixgate (uint32 (0), 'expand'), 'Labrix:handle', 'LX handle is not valid');
%! expect_error (@() labrixgate (h + 1, 'g'), 'Labrix:handle', 'LX handle is not valid');
%! expect_error (@() labrixgate (h, 'expand'), 'Labrix:GetScalar', 'input is not a scalar!');
%! expect_error (@() labrixgate (h, ''), 'Labrix:GetScalar', 'input is not a scalar!');
%! expect_error (@() labrixgate (h, true), 'Labrix:GetScalar', 'unsupported data type');
%! expect_error (@() labrixgate (h, int64 (103)), 'Labrix:GetScalar', 'unsupported data type');
%! expect_error (@() labrixgate (h, {103}), 'Labrix:GetScalar', 'unsupported data type');
%! expect_error (@() labrixgate (h, 'E'), 'Labrix:mode', 'unrecognized mode');
%! expect_error (@() labrixgate (h, 'x'), 'Labrix:mode', 'unrecognized mode');
%! expect_error (@() labrixgate (h, 200), 'Labrix:mode', 'unrecognized mode');
%! labrixgate (h, 'c');

%!test
%! ## A numeric mode selects by its low byte: 115 is 's', 103 + 256 is 'g'.
%! h = grid3x2 ();
%! h = labrixgate (h, 115, int32 ([2 1 0 0 1 2]));
%! [h, lab] = labrixgate (h, 103 + 256);
%! assert (lab, int32 ([2 1 0; 0 1 2]'));
%! [h, lab] = labrixgate (h, uint8 (103));
%! assert (lab(:)', int32 ([2 1 0 0 1 2]));
%! labrixgate (h, 'c');

## ---- SetLabels, GetLabels, Energy ----

%!test
%! h = grid3x2 ();
%! expect_error (@() labrixgate (h, 's'), 'Labrix:SetLabels', 'Wrong number of input arguments');
%! expect_error (@() labrixgate (h, 's', [0 1 2 0 1 2]), 'Labrix:SetLabels', 'labels array not int32');
%! expect_error (@() labrixgate (h, 's', int32 (zeros (1, 7))), 'Labrix:SetLabels', ...
%!               'wrong number of elements in labels array');
%! expect_error (@() labrixgate (h, 's', int32 (zeros (1, 6))), 'Labrix:SetLabels', ...
%!               'wrong number of output parameters');
%! expect_error (@() labrixgate (h, 'g', 1), 'Labrix:GetLabels', 'Wrong number of input arguments');
%! expect_error (@() labrixgate (h, 'g'), 'Labrix:GetLabels', 'Wrong number of output arguments');
%! expect_error (@() labrixgate (h, 'n', 1), 'Labrix:Energy', 'Too many input arguments');
%! [h, lab] = labrixgate (h, 'g');
%! assert (lab, int32 (zeros (3, 2)));
%! labrixgate (h, 'c');

%!test
%! h = grid3x2 ();
%! h = labrixgate (h, 's', int32 ([0 1 2; 2 1 0]'));  # any shape, element order
%! [h, lab] = labrixgate (h, 'g');
%! assert (class (lab), 'int32');
%! assert (size (lab), [3 2]);
%! assert (lab, int32 ([0 1 2; 2 1 0]'));
%! ## Horizontal pairs differ four times, vertical 0-2 and 2-0 twice: 6.
%! check_energy (h, [0 1 2 2 1 0], 6, 6);
%! ## A bad last label replaces the others and reports the core's error.
%! expect_error (@() labrixgate (h, 's', int32 ([2 2 2 2 2 3])), 'Labrix:internal_error', ...
%!               sprintf ('\nLumora error: Wrong label value'), 1);  # Octave drops the final newline
%! [h, lab] = labrixgate (h, 'g');
%! assert (lab(:)', int32 ([2 2 2 2 2 0]));
%! labrixgate (h, 'c');

%!test
%! ## A 5-pixel general graph returns a 1-by-5 row.
%! h = labrixnew (zeros (2, 5), [0 1; 1 0], sparse ([1 2], [2 3], [1 1], 5, 5));
%! [h, lab] = labrixgate (h, 'g');
%! assert (size (lab), [1 5]);
%! labrixgate (h, 'c');
%! ## A grid of width 0 returns a 0-by-0 array.
%! h = labrixnew (zeros (2, 0, 3), [0 1; 1 0]);
%! [h, lab] = labrixgate (h, 'g');
%! assert (size (lab), [0 0]);
%! assert (class (lab), 'int32');
%! labrixgate (h, 'c');

## ---- orientation of the costs ----

%!test
%! S = [0 5; 7 0];
%! g = labrixnew (zeros (2, 2), S);
%! check_energy (g, [0 1], 5, 0);
%! n = labrixnew (zeros (2, 2), S, [0 1; 1 0]);
%! check_energy (n, [0 1], 7, 0);
%! labrixgate (g, 'c');
%! labrixgate (n, 'c');

%!test
%! ## D(l+1, x+1, y+1) is the cost of label l at pixel (x, y).
%! D = zeros (2, 3, 2);
%! D(2, 3, 1) = 4;   # label 1 at (2, 0), pixel 2
%! D(1, 1, 2) = 8;   # label 0 at (0, 1), pixel 3
%! h = labrixnew (D, zeros (2));
%! check_energy (h, [0 0 1 0 0 0], 0, 12);
%! check_energy (h, [1 1 0 1 1 1], 0, 0);
%! labrixgate (h, 'c');

%!test
%! ## HW(x+1, y+1) weighs (x, y)-(x+1, y); VW(x+1, y+1) weighs (x, y)-(x, y+1).
%! HW = [2 3; 0 0];
%! VW = [5 7; 0 0]';
%! h = labrixnew (zeros (2, 2, 2), 1 - eye (2), HW, [5 0; 7 0]);
%! check_energy (h, [0 1 0 0], 2 + 7, 0);
%! check_energy (h, [0 0 1 0], 3 + 5, 0);
%! labrixgate (h, 'c');

## ---- labrixnew forms and refusals ----

%!test
%! G = sparse ([1 2], [2 3], [2 4], 3, 3);
%! a = labrixnew (zeros (2, 3), 1 - eye (2), G);
%! b = labrixnew (zeros (2, 3), 1 - eye (2), G + G');
%! c = labrixnew (single (zeros (2, 3)), single (1 - eye (2)), full (G'));
%! for h = [a b c]
%!   check_energy (h, [0 1 0], 6, 0);
%!   labrixgate (h, 'c');
%! endfor

%!test
%! h = labrixnew (zeros (2, 3), 1 - eye (2), 'labels', [1 0 1], 'RANDOMORDER', false);
%! [h, lab] = labrixgate (h, 'g');
%! assert (lab, int32 ([1; 0; 1]));
%! labrixgate (h, 'c');

%!test
%! D = zeros (2, 3);
%! S = 1 - eye (2);
%! expect_error (@() labrixnew (D), 'Labrix:new', '(got 1 array arguments)');
%! expect_error (@() labrixnew (int8 (D), S), 'Labrix:new', 'D must be a real double or single array (got int8)');
%! expect_error (@() labrixnew (complex (D), S), 'Labrix:new', 'D must be real, not complex');
%! expect_error (@() labrixnew ([0 NaN 0; 0 0 0], S), 'Labrix:new', ...
%!               'D(3) is NaN; costs must be finite (a large finite cost forbids a label)');
%! expect_error (@() labrixnew (D, eye (3)), 'Labrix:new', ...
%!               'S must be L-by-L = 2-by-2, with L = size(D, 1) (got 3-by-3)');
%! expect_error (@() labrixnew (D, S, ones (3, 1), -ones (3, 1)), 'Labrix:new', ...
%!               'VW(1) is negative; weights must be finite and >= 0');
%! expect_error (@() labrixnew (D, S, ones (2)), 'Labrix:new', 'G must be N-by-N = 3-by-3 (got 2-by-2)');
%! expect_error (@() labrixnew (D, S, [0 1 0; 2 0 0; 0 0 0]), 'Labrix:new', ...
%!               'G(1,2) = 1 and G(2,1) = 2 differ; give each pair one weight');
%! expect_error (@() labrixnew (D, S, 'Label', 1), 'Labrix:new', ...
%!               'unknown option ''Label'' (the options are ''Labels'' and ''RandomOrder'')');
%! expect_error (@() labrixnew (D, S, 'Labels', [0 1 2]), 'Labrix:new', ...
%!               'Labels(3) = 2 is not an integer label from 0 to 1');
%! h = labrixnew (D, S);   # a refused call leaves the module usable
%! labrixgate (h, 'c');

## ---- close and lifetime ----

%!test
%! h = grid3x2 ();
%! z = labrixgate (h, 'c', 1, 2);
%! assert (z, uint32 (0));
%! assert (class (z), 'uint32');
%! expect_error (@() labrixgate (h, 'g'), 'Labrix:handle', 'LX handle is not valid');
%! expect_error (@() labrixgate (z, 'g'), 'Labrix:handle', 'LX handle is not valid');
%! h2 = grid3x2 ();
%! expect_error (@() labrixgate (h, 'g'), 'Labrix:handle', 'LX handle is not valid');
%! labrixgate (h2, 'c');

%!test
%! ## Clearing one module keeps the objects; clearing all functions destroys them.
%! h = labrixnew (zeros (3, 3, 2), 1 - eye (3));
%! [h, lab] = labrixgate (h, 'g');
%! clear labrixgate
%! [h, lab] = labrixgate (h, 'g');
%! assert (size (lab), [3 2]);
%! clear functions
%! expect_error (@() labrixgate (h, 'g'), 'Labrix:handle', 'LX handle is not valid');
%! h = labrixnew (zeros (3, 3, 2), 1 - eye (3));
%! [h, lab] = labrixgate (h, 'g');
%! assert (size (lab), [3 2]);
%! labrixgate (h, 'c');

%!test
%! ## `clear all` runs the exit handlers too; a saved handle is refused after it.
%! h = labrixnew (zeros (3, 3, 2), 1 - eye (3));
%! save ('-binary', fullfile (tempdir (), 'labrix_saved_handle.mat'), 'h');
%! clear all
%! load (fullfile (tempdir (), 'labrix_saved_handle.mat'));
%! delete (fullfile (tempdir (), 'labrix_saved_handle.mat'));
%! expect_error (@() labrixgate (h, 'g'), 'Labrix:handle', 'LX handle is not valid');
%! h = labrixnew (zeros (2, 2), [0 1; 1 0]);
%! [h, lab] = labrixgate (h, 'g');
%! assert (lab, int32 ([0; 0]));
%! labrixgate (h, 'c');
