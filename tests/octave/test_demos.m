## The demos at a reduced size check their own results against the truth
## they synthesised. The thresholds sit far above what the best data cost
## per pixel alone reaches (about 55% for the stereo pair, 71% for the four
## grey levels), so an optimizer that does not lower the energy, or lowers
## it in the wrong places, fails them; measured at these sizes: stereo
## 92.8%, segmentation 99-100%.

%!function folder = scratch ()
%!  folder = tempname ();
%!  mkdir(folder);
%!endfunction

%!test
%! ## Stereo: expansion on the synthesised pair, 72-by-96, disparities 0..11.
%! folder = scratch();
%! text = evalc("r = labrix_demo('Size', [72 96], 'MaxDisparity', 11, 'OutputFolder', folder);");
%! assert(r.accuracy > 0.85, sprintf("within one disparity: %.3f", r.accuracy));
%! assert(r.startAccuracy < 0.7);
%! assert(class(r.disparity), "int32");
%! assert(size(r.disparity), [72 96]);
%! assert(all(r.disparity(:) >= 0 & r.disparity(:) <= 11));
%! assert(r.energy, r.dataEnergy + r.smoothEnergy);
%! ## The printed lines: passes, the final energy, the accuracy, the folder.
%! assert(! isempty(regexp(text, '^expand pass 1: energy', "lineanchors", "once")));
%! assert(! isempty(strfind(text, sprintf("final energy %.8g", r.energy))));
%! assert(! isempty(strfind(text, sprintf("%.1f%% of the pixels", 100 * r.accuracy))));
%! assert(! isempty(strfind(text, folder)));
%! ## The pictures, each the size of the image.
%! names = {"left.png", "right.png", "truth.png", "disparity.png", "errors.png"};
%! for k = 1:numel(names)
%!   img = imread(fullfile(folder, names{k}));
%!   assert(isequal(size(img)(1:2), [72 96]), names{k});
%! endfor
%! ## The computed disparity picture is the colour scale of r.disparity.
%! map = uint8(round(255 * jet(256)));
%! shown = imread(fullfile(folder, "disparity.png"));
%! want = reshape(map(1 + round(255 * double(r.disparity(:)) / 11), :), [72 96 3]);
%! assert(max(abs(double(shown(:)) - double(want(:)))) <= 1);
%! confirm_recursive_rmdir(false, "local");
%! rmdir(folder, "s");

%!test
%! ## The user's own pair: the synthesised one read back from its PNGs, as
%! ## uint8 grey and as RGB, without truth; it still matches the truth.
%! folder = scratch();
%! r = labrix_demo('Size', [60 80], 'MaxDisparity', 9, 'OutputFolder', folder, 'Verbose', false);
%! left = imread(fullfile(folder, "left.png"));
%! right = imread(fullfile(folder, "right.png"));
%! grey = labrix_demo(left, right, 9, 'OutputFolder', '', 'Verbose', false);
%! rgb = labrix_demo(repmat(left, [1 1 3]), repmat(right, [1 1 3]), 9, 'OutputFolder', '', 'Verbose', false);
%! assert(grey.truth, []);
%! assert(isnan(grey.accuracy));
%! ## The grey weights of RGB sum to 1 only up to rounding: ties may fall otherwise.
%! assert(mean(rgb.disparity(:) == grey.disparity(:)) > 0.98);
%! assert(mean(abs(double(grey.disparity(:)) - r.truth(:)) <= 1) > 0.85);
%! expect_error(@() labrix_demo(left, right(:, 1:end-1), 9), "labrix_demo:images", ...
%!              "LEFT and RIGHT must have the same size");
%! expect_error(@() labrix_demo(left, right, 80), "labrix_demo:maxDisparity", ...
%!              "MAXDISPARITY must be an integer from 0 to the image width - 1");
%! confirm_recursive_rmdir(false, "local");
%! rmdir(folder, "s");

%!test
%! ## Segmentation: two labels by one swap move, four by expansion and swap.
%! folder = scratch();
%! evalc("r = labrix_segment_demo('Size', [64 80], 'OutputFolder', folder);");
%! assert(r.twoAccuracy > 0.97, sprintf("two labels: %.3f", r.twoAccuracy));
%! assert(r.fourAccuracy > 0.95, sprintf("four labels, expansion: %.3f", r.fourAccuracy));
%! assert(r.swapAccuracy > 0.95, sprintf("four labels, swap: %.3f", r.swapAccuracy));
%! assert(r.twoStartAccuracy < 0.95);
%! assert(r.fourStartAccuracy < 0.8);
%! names = {"image.png", "truth.png", "two_labels.png", "four_labels.png"};
%! for k = 1:numel(names)
%!   assert(exist(fullfile(folder, names{k}), "file") == 2, names{k});
%! endfor
%! confirm_recursive_rmdir(false, "local");
%! rmdir(folder, "s");
