% End-to-end tests of the Expand ('e') and swap ('a') modes of labrixgate:
% every call form, every message, and the label output.

%!function check_error (f, id, msg)
%!  try
%!    f ();
%!  catch err
%!    assert (err.identifier, id);
%!    assert (! isempty (strfind (err.message, msg)), ['unexpected message: ' err.message]);
%!    return;
%!  end_try_catch
%!  error ('expected the error "%s"', msg);
%!endfunction

%!function [D, S, best] = data_only_problem ()
%!  % 4-by-3 grid, 3 labels, distinct data costs, no smoothness: the
%!  % optimum takes every pixel's cheapest label.
%!  D = single (reshape (mod ((1:36) * 7, 11), 3, 4, 3));
%!  S = single (zeros (3, 3));
%!  [~, idx] = min (D, [], 1);
%!  best = int32 (reshape (idx, 4, 3)) - 1;
%!endfunction

%!test
%! [D, S, best] = data_only_problem ();
%! h = labrixnew (D, S);
%! [h, lab] = labrixgate (h, 'e');
%! assert (class (lab), 'int32');
%! assert (size (lab), [4 3]);
%! assert (lab, best);
%! labrixgate (h, 'c');

%!test
%! [D, S, best] = data_only_problem ();
%! h = labrixnew (D, S);
%! [h, lab] = labrixgate (h, 'a');
%! assert (class (lab), 'int32');
%! assert (lab, best);
%! labrixgate (h, 'c');

%!test
%! % Pass limits: 0 and -3 run no pass; 1 runs one (enough for the
%! % expansion of a data-only problem), a few passes reach the optimum.
%! [D, S, best] = data_only_problem ();
%! for mode = 'ea'
%!   h = labrixnew (D, S);
%!   [h, lab] = labrixgate (h, mode, 0);
%!   assert (lab, zeros (4, 3, 'int32'));
%!   [h, lab] = labrixgate (h, mode, -3);
%!   assert (lab, zeros (4, 3, 'int32'));
%!   [h, lab] = labrixgate (h, mode, 1);
%!   if (mode == 'e')
%!     assert (lab, best);
%!   else
%!     assert (any (lab(:) != 0));
%!   end
%!   [h, lab] = labrixgate (h, mode, int8 (5));
%!   assert (lab, best);
%!   labrixgate (h, 'c');
%! end

%!test
%! % One label, then the same label on listed pixels only (0-based indices).
%! D = single (zeros (3, 4, 3));
%! D(1, :, :) = 5;   % label 0 is dear everywhere
%! D(2, :, :) = 1;
%! S = single (zeros (3, 3));
%! h = labrixnew (D, S);
%! [h, lab] = labrixgate (h, 'e', [], 2, int32 ([0 5 11]));
%! expected = zeros (4, 3, 'int32');
%! expected([1 6 12]) = 2;
%! assert (lab, expected);
%! [h, lab] = labrixgate (h, 'e', [], 1);
%! assert (lab, max (expected, 1));
%! h = labrixgate (h, 'e', [], 2);    % no label output requested
%! [h, lab] = labrixgate (h, 'g');
%! assert (lab, 2 * ones (4, 3, 'int32'));
%! labrixgate (h, 'c');

%!test
%! % Swap of a named pair; the first label plays alpha.
%! D = single (zeros (2, 3, 1));
%! D(1, :) = [0 3 3];
%! D(2, :) = [3 0 0];
%! S = single (zeros (2, 2));
%! h = labrixnew (D, S, 'Labels', int32 ([1 0 0]));
%! [h, lab] = labrixgate (h, 'a', 1, 0);
%! assert (lab, int32 ([0; 1; 1]));
%! labrixgate (h, 'c');

%!test
%! % General graph: the label output is a 1-by-N row.
%! D = single ([0 4 4 4; 4 0 4 0]);   % 2 labels, 4 pixels
%! S = single ([0 1; 1 0]);
%! G = sparse ([1 2 3], [2 3 4], [1 1 1], 4, 4);
%! h = labrixnew (D, S, G);
%! [h, lab] = labrixgate (h, 'e');
%! assert (lab, int32 ([0 1 1 1]));
%! [h, lab] = labrixgate (h, 'a');
%! assert (size (lab), [1 4]);
%! labrixgate (h, 'c');

%!test
%! % Too many outputs: the move runs, then the call fails.
%! [D, S, best] = data_only_problem ();
%! for mode = 'ea'
%!   h = labrixnew (D, S);
%!   failed = false;
%!   try
%!     [h2, lab, extra] = labrixgate (h, mode);
%!   catch err
%!     failed = true;
%!     if (mode == 'e')
%!       assert (err.identifier, 'Labrix:Expand');
%!     else
%!       assert (err.identifier, 'Labrix:swap');
%!     end
%!     assert (! isempty (strfind (err.message, 'too many output arguments')));
%!   end_try_catch
%!   assert (failed);
%!   [h, lab] = labrixgate (h, 'g');
%!   assert (lab, best);
%!   labrixgate (h, 'c');
%! end

%!test
%! % Every message of the Expand command.
%! [D, S] = data_only_problem ();
%! h = labrixnew (D, S);
%! check_error (@() labrixgate (h, 'e', [], 2, [1 2 3]), 'Labrix:Expand', 'indices must be int32');
%! check_error (@() labrixgate (h, 'e', [], 2, zeros (1, 13, 'int32')), 'Labrix:Expand', 'too many indices');
%! check_error (@() labrixgate (h, 'e', 5, 2), 'Labrix:Expand', 'third argument must empty');
%! check_error (@() labrixgate (h, 'e', 5, 2, int32 (1)), 'Labrix:Expand', 'third argument must empty');
%! check_error (@() labrixgate (h, 'e', [], 2, int32 (1), 4), 'Labrix:Expand', 'Too many input arguments');
%! check_error (@() labrixgate (h, 'e', [], 3), 'Labrix:internal_error', 'Illegal Label to Expand On');
%! check_error (@() labrixgate (h, 'e', [], -1), 'Labrix:internal_error', 'Illegal Label to Expand On');
%! check_error (@() labrixgate (h, 'e', [], 1, int32 ([0 12])), 'Labrix:Expand', 'index 12 (position 1 of the list) is outside 0 to 11');
%! check_error (@() labrixgate (h, 'e', [], 1, int32 ([4 4])), 'Labrix:Expand', 'index 4 is listed twice');
%! check_error (@() labrixgate (h, 'e', [1 2]), 'Labrix:GetScalar', 'input is not a scalar!');
%! check_error (@() labrixgate (h, 'e', [], true), 'Labrix:GetScalar', 'unsupported data type');
%! [h, lab] = labrixgate (h, 'g');
%! assert (lab, zeros (4, 3, 'int32'));   % nothing above changed the labels
%! labrixgate (h, 'c');

%!test
%! % Every message of the swap command.
%! [D, S] = data_only_problem ();
%! h = labrixnew (D, S);
%! check_error (@() labrixgate (h, 'a', 0, 3), 'Labrix:swap', 'invalid label value');
%! check_error (@() labrixgate (h, 'a', -1, 2), 'Labrix:swap', 'invalid label value');
%! check_error (@() labrixgate (h, 'a', 3, 'x'), 'Labrix:swap', 'invalid label value');
%! check_error (@() labrixgate (h, 'a', 0, 1, 2), 'Labrix:swap', 'Too many input arguments');
%! check_error (@() labrixgate (h, 'a', 0, [1 2]), 'Labrix:GetScalar', 'input is not a scalar!');
%! check_error (@() labrixgate (h, 'a', {1}), 'Labrix:GetScalar', 'unsupported data type');
%! [h, lab] = labrixgate (h, 'g');
%! assert (lab, zeros (4, 3, 'int32'));
%! labrixgate (h, 'c');

%!test
%! % Subset moves are refused on a general graph; a non-regular smoothness
%! % is refused with the labels named, and the labelling stays.
%! D = single ([0 4 4 4; 4 0 4 0]);
%! S = single ([0 1; 1 0]);
%! G = sparse ([1 2 3], [2 3 4], [1 1 1], 4, 4);
%! h = labrixnew (D, S, G);
%! check_error (@() labrixgate (h, 'e', [], 1, int32 ([0 1])), 'Labrix:internal', 'NOT SUPPORTED YET,exiting!');
%! labrixgate (h, 'c');
%! D = single (zeros (3, 2, 1));
%! D(:, 1) = [0; 1; 3];
%! D(:, 2) = [3; 1; 0];
%! S = single ([0 1 4; 1 0 1; 4 1 0]);   % quadratic: not regular for expansion on 1
%! h = labrixnew (D, S, 'Labels', int32 ([0 2]));
%! check_error (@() labrixgate (h, 'e', [], 1), 'Labrix:internal_error', 'not regular for the expansion move on label 1');
%! [h, lab] = labrixgate (h, 'g');
%! assert (lab, int32 ([0; 2]));
%! labrixgate (h, 'c');
