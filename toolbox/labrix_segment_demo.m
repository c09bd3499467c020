function varargout = labrix_segment_demo(varargin)
%LABRIX_SEGMENT_DEMO  Two-label and multi-label segmentation of a noisy image.
%
%   LABRIX_SEGMENT_DEMO
%   RESULT = LABRIX_SEGMENT_DEMO(NAME, VALUE, ...)
%
%   Synthesises a grey image of four regions (a background, a rectangle, a
%   disc and a ring, each with its own grey level) under strong noise, and
%   segments it twice with the LABRIX class on the weighted grid form
%   labrixnew(D, S, HW, VW):
%     two labels   dark (the background and the ring) against bright (the
%                  rectangle and the disc), by one swap move on the pair
%                  (0, 1): with two labels every pixel is a variable of
%                  that one minimum cut, so it is the exact optimum;
%     four labels  one label per grey level, by expansion and, for
%                  comparison, by swap.
%   The data cost of label l at a pixel is (I - m)^2 / (2 sigma^2) for the
%   label's grey level m nearest to I (sigma is the noise level); the
%   smoothness is Potts, 'Lambda' per neighbour pair whose labels differ,
%   multiplied by a contrast-sensitive weight exp(-dI^2 / (2 (2 sigma)^2))
%   + 0.5 of the pair's intensity difference dI.
%
%   It prints the passes, the energies and the share of correctly labelled
%   pixels next to that of the best data cost alone, and writes PNGs to the
%   folder it names: image.png, truth.png, two_labels.png, four_labels.png.
%
%   Options (name/value pairs)
%     'OutputFolder'  (default: labrix_segment_output in the current folder;
%                     '' writes none)
%     'Size'          [rows cols] (default [160 200])
%     'Noise'         noise standard deviation on the 0..255 scale (default 45)
%     'Lambda'        Potts weight (default 2)
%     'Seed'          (default 1)
%     'Verbose'       (default true)
%
%   RESULT is a struct with fields truth (0..3), twoLabels, fourLabels,
%   fourLabelsSwap (int32 label images), twoAccuracy, fourAccuracy,
%   swapAccuracy, twoStartAccuracy, fourStartAccuracy (shares of correct
%   pixels), twoEnergy, fourEnergy, swapEnergy (total energies) and folder.
%
%   See also LABRIX, LABRIX_DEMO.

  opt = struct('OutputFolder', fullfile(pwd, 'labrix_segment_output'), 'Size', [160 200], ...
               'Noise', 45, 'Lambda', 2, 'Seed', 1, 'Verbose', true);
  names = fieldnames(opt);
  for k = 1:2:numel(varargin)
    match = [];
    if ischar(varargin{k})
      match = find(strcmpi(varargin{k}, names));
    end
    if isempty(match) || k == numel(varargin)
      error('labrix_segment_demo:option', 'argument %d: expected an option name followed by a value (%s)', ...
            k, strjoin(names', ', '));
    end
    opt.(names{match}) = varargin{k + 1};
  end

  levels = [40 110 170 230];
  [img, truth] = synthesiseImage(opt.Size(1), opt.Size(2), levels, opt.Noise, opt.Seed);
  [HW, VW] = contrastWeights(img, 2 * opt.Noise);
  result.truth = truth;
  result.folder = opt.OutputFolder;

  % Two labels: 0 = dark (the background and the ring),
  % 1 = bright (the rectangle and the disc).
  groups = {levels([1 2]), levels([3 4])};
  D2 = dataCosts(img, groups, opt.Noise);
  truth2 = int32(truth >= 2);
  say(opt.Verbose, 'Two labels, %d-by-%d pixels:\n', size(img, 1), size(img, 2));
  [result.twoLabels, result.twoEnergy, start2] = solve(D2, opt.Lambda, HW, VW, opt.Verbose, 'pair');
  result.twoAccuracy = mean(result.twoLabels(:) == truth2(:));
  result.twoStartAccuracy = mean(start2(:) == truth2(:));
  say(opt.Verbose, '  one swap move on (0, 1): energy %.8g, correct %.1f%% of the pixels (best data cost alone: %.1f%%)\n', ...
      result.twoEnergy, 100 * result.twoAccuracy, 100 * result.twoStartAccuracy);

  % Four labels, one per grey level.
  D4 = dataCosts(img, num2cell(levels), opt.Noise);
  say(opt.Verbose, 'Four labels by expansion:\n');
  [result.fourLabels, result.fourEnergy, start4] = solve(D4, opt.Lambda, HW, VW, opt.Verbose, 'expand');
  say(opt.Verbose, 'Four labels by swap:\n');
  [result.fourLabelsSwap, result.swapEnergy] = solve(D4, opt.Lambda, HW, VW, opt.Verbose, 'swap');
  result.fourAccuracy = mean(result.fourLabels(:) == truth(:));
  result.swapAccuracy = mean(result.fourLabelsSwap(:) == truth(:));
  result.fourStartAccuracy = mean(start4(:) == truth(:));
  say(opt.Verbose, '  expansion: energy %.8g, correct %.1f%%; swap: energy %.8g, correct %.1f%%\n', ...
      result.fourEnergy, 100 * result.fourAccuracy, result.swapEnergy, 100 * result.swapAccuracy);
  say(opt.Verbose, '  best data cost alone: correct %.1f%%\n', 100 * result.fourStartAccuracy);

  if ~isempty(opt.OutputFolder)
    if ~exist(opt.OutputFolder, 'dir')
      mkdir(opt.OutputFolder);
    end
    colours = [0.10 0.15 0.45; 0.20 0.60 0.85; 0.95 0.70 0.15; 0.85 0.20 0.20];
    imwrite(uint8(img), fullfile(opt.OutputFolder, 'image.png'));
    imwrite(paint(truth, colours), fullfile(opt.OutputFolder, 'truth.png'));
    imwrite(paint(result.twoLabels, [0.1 0.1 0.1; 0.95 0.95 0.95]), fullfile(opt.OutputFolder, 'two_labels.png'));
    imwrite(paint(result.fourLabels, colours), fullfile(opt.OutputFolder, 'four_labels.png'));
    say(opt.Verbose, 'images written to %s\n', opt.OutputFolder);
  end
  if nargout > 0
    varargout{1} = result;
  end
end

function [lab, energy, start] = solve(D, lambda, HW, VW, verbose, method)
  L = size(D, 1);
  [~, best] = min(D, [], 1);
  start = int32(reshape(best, size(D, 2), size(D, 3)) - 1);
  obj = Labrix(D, lambda * (1 - eye(L)), HW, VW, 'Labels', start, 'RandomOrder', false, ...
               'Verbose', verbose);
  switch method
    case 'expand'
      lab = obj.expand();
    case 'swap'
      lab = obj.swap();
    otherwise
      lab = obj.swap(0, 1);
  end
  energy = obj.energy();
end

function [img, truth] = synthesiseImage(rows, cols, levels, noise, seed)
  saved = rng();
  rng(seed);
  [C, R] = meshgrid(1:cols, 1:rows);
  truth = zeros(rows, cols);
  truth(R >= 0.15 * rows & R <= 0.55 * rows & C >= 0.1 * cols & C <= 0.5 * cols) = 2;
  rd = sqrt((R - 0.62 * rows) .^ 2 + (C - 0.68 * cols) .^ 2);
  scale = min(rows, cols);
  truth(rd <= 0.3 * scale & rd >= 0.2 * scale) = 1;
  truth(rd <= 0.12 * scale) = 3;
  img = levels(truth + 1) + noise * randn(rows, cols);
  img = min(255, max(0, img));
  rng(saved);
end

function D = dataCosts(img, groups, sigma)
  % D(l+1, r, c): the squared distance to the nearest grey level of label l.
  [rows, cols] = size(img);
  D = zeros(numel(groups), rows, cols, 'single');
  for l = 1:numel(groups)
    m = groups{l};
    dist = inf(rows, cols);
    for k = 1:numel(m)
      dist = min(dist, (img - m(k)) .^ 2 / (2 * sigma ^ 2));
    end
    D(l, :, :) = reshape(single(dist), [1, rows, cols]);
  end
end

function [HW, VW] = contrastWeights(img, scale)
  % HW weighs image rows r and r+1, VW columns c and c+1 (the grid's x runs
  % along the image's rows).
  [rows, cols] = size(img);
  HW = ones(rows, cols);
  VW = ones(rows, cols);
  HW(1:rows - 1, :) = 0.5 + exp(-diff(img, 1, 1) .^ 2 / (2 * scale ^ 2));
  VW(:, 1:cols - 1) = 0.5 + exp(-diff(img, 1, 2) .^ 2 / (2 * scale ^ 2));
end

function rgb = paint(lab, colours)
  % 8-bit RGB: imwrite would store a double image with 16 bits.
  rgb = uint8(round(255 * reshape(colours(double(lab(:)) + 1, :), [size(lab), 3])));
end

function say(verbose, varargin)
  if verbose
    fprintf(varargin{:});
  end
end
