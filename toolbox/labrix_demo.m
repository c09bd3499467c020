function varargout = labrix_demo(varargin)
%LABRIX_DEMO  Stereo disparity by expansion moves, on a synthesised pair or yours.
%
%   LABRIX_DEMO
%   LABRIX_DEMO(LEFT, RIGHT, MAXDISPARITY)
%   RESULT = LABRIX_DEMO(..., NAME, VALUE, ...)
%
%   Without images the demo synthesises a rectified stereo pair: textured
%   surfaces at known integer disparities (a background slanted in steps,
%   a rectangle, a thin bar and a disc in front of it, with occlusions),
%   plus camera noise. With LEFT and RIGHT it uses your rectified pair
%   (grey or RGB, any numeric class, the same size; a point at column c of
%   LEFT appears at column c - d of RIGHT, d = 0..MAXDISPARITY).
%
%   The disparity map is the labelling, label d being disparity d, found by
%   expansion to convergence (the LABRIX class with 'Verbose', printing one
%   line per pass) on the weighted grid form labrixnew(D, S, HW, VW):
%     D   data cost of disparity d at pixel (r, c): min(|LEFT(r,c) -
%         RIGHT(r,c-d)|, 'Truncation'), intensities on a 0..255 scale; a
%         pixel whose match would lie left of RIGHT's first column gets the
%         truncation value for that d;
%     S   truncated linear smoothness: 'Lambda' * min(|a - b|, 'SmoothCap');
%     HW, VW  contrast-sensitive weights: 'HighWeight' for a neighbour pair
%         whose intensities differ by less than 'EdgeThreshold', 1 otherwise,
%         so that disparity edges are cheaper where the image has edges.
%   The image's rows run along the grid's first dimension (x), its columns
%   along the second (y), so the labelling has the shape of the image.
%
%   It prints the progress per pass, the final energy, the time and, on the
%   synthesised pair, the share of pixels within one disparity of the truth
%   (beside that of the best data cost alone). It writes PNG images to the
%   folder it names: left.png, right.png, disparity.png (computed) and, on
%   the synthesised pair, truth.png and errors.png (pixels off by more than
%   one in red over the grey left image).
%
%   Options (name/value pairs)
%     'OutputFolder'  where the PNGs go (default: labrix_demo_output in the
%                     current folder; '' writes none)
%     'Size'          [rows cols] of the synthesised pair (default [300 400])
%     'MaxDisparity'  of the synthesised pair (default 19)
%     'Noise'         standard deviation of the synthesised camera noise on
%                     the 0..255 scale (default 4)
%     'Seed'          seed of the synthesised pair (default 1)
%     'Lambda' (default 12), 'SmoothCap' (2), 'Truncation' (40),
%     'HighWeight' (2), 'EdgeThreshold' (12): the energy, above
%     'Verbose'       print the passes and the summary (default true)
%
%   RESULT is a struct: disparity (int32, the image's size), truth ([] for
%   your own pair), accuracy (share within one disparity; NaN without
%   truth), startAccuracy (the same for the best data cost alone), energy,
%   dataEnergy, smoothEnergy (singles), seconds (time of the expansion),
%   folder (where the PNGs went).
%
%   Example
%     r = labrix_demo('Size', [120 160], 'OutputFolder', tempname());
%     r.accuracy
%
%   See also LABRIX, LABRIXNEW, LABRIX_SEGMENT_DEMO.

  [left, right, maxD, truth, opt] = readArguments(varargin);

  [rows, cols] = size(left);
  say(opt.Verbose, 'Stereo pair %d-by-%d, disparities 0..%d\n', rows, cols, maxD);
  D = dataCosts(left, right, maxD, opt.Truncation);
  [HW, VW] = contrastWeights(left, opt.EdgeThreshold, opt.HighWeight);
  S = opt.Lambda * min(abs((0:maxD)' - (0:maxD)), opt.SmoothCap);

  % Start from the best data cost of every pixel alone.
  [~, best] = min(D, [], 1);
  start = int32(reshape(best, rows, cols) - 1);

  obj = Labrix(D, S, HW, VW, 'Labels', start, 'RandomOrder', false, 'Verbose', opt.Verbose);
  [startEnergy] = obj.energy();
  say(opt.Verbose, 'start (best data cost per pixel): energy %.8g\n', startEnergy);
  started = tic;
  disparity = obj.expand();
  seconds = toc(started);
  [energy, dataEnergy, smoothEnergy] = obj.energy();
  obj.close();

  result.disparity = disparity;
  result.truth = truth;
  result.accuracy = NaN;
  result.startAccuracy = NaN;
  result.energy = energy;
  result.dataEnergy = dataEnergy;
  result.smoothEnergy = smoothEnergy;
  result.seconds = seconds;
  result.folder = opt.OutputFolder;
  say(opt.Verbose, 'final energy %.8g (data %.8g, smoothness %.8g), expansion took %.2f s\n', ...
      energy, dataEnergy, smoothEnergy, seconds);
  if ~isempty(truth)
    result.accuracy = mean(abs(double(disparity(:)) - truth(:)) <= 1);
    result.startAccuracy = mean(abs(double(start(:)) - truth(:)) <= 1);
    say(opt.Verbose, 'within one disparity of the truth: %.1f%% of the pixels (best data cost alone: %.1f%%)\n', ...
        100 * result.accuracy, 100 * result.startAccuracy);
  end
  if ~isempty(opt.OutputFolder)
    writeImages(opt.OutputFolder, left, right, disparity, truth, maxD);
    say(opt.Verbose, 'images written to %s\n', opt.OutputFolder);
  end
  if nargout > 0
    varargout{1} = result;
  end
end

function [left, right, maxD, truth, opt] = readArguments(args)
  opt = struct('OutputFolder', fullfile(pwd, 'labrix_demo_output'), 'Size', [300 400], ...
               'MaxDisparity', 19, 'Noise', 4, 'Seed', 1, 'Lambda', 12, 'SmoothCap', 2, ...
               'Truncation', 40, 'HighWeight', 2, 'EdgeThreshold', 12, 'Verbose', true);
  own = numel(args) >= 3 && ~ischar(args{1});
  first = 1;
  if own
    first = 4;
  end
  names = fieldnames(opt);
  for k = first:2:numel(args)
    match = [];
    if ischar(args{k})
      match = find(strcmpi(args{k}, names));
    end
    if isempty(match) || k == numel(args)
      error('labrix_demo:option', 'argument %d: expected an option name followed by a value (%s)', ...
            k, strjoin(names', ', '));
    end
    opt.(names{match}) = args{k + 1};
  end
  if own
    left = greyLevels(args{1});
    right = greyLevels(args{2});
    maxD = args{3};
    if ~isequal(size(left), size(right))
      error('labrix_demo:images', 'LEFT and RIGHT must have the same size');
    end
    if ~(isnumeric(maxD) && isscalar(maxD) && maxD == fix(maxD) && maxD >= 0 && maxD < size(left, 2))
      error('labrix_demo:maxDisparity', 'MAXDISPARITY must be an integer from 0 to the image width - 1');
    end
    maxD = double(maxD);
    truth = [];
  else
    maxD = opt.MaxDisparity;
    [left, right, truth] = synthesisePair(opt.Size(1), opt.Size(2), maxD, opt.Noise, opt.Seed);
  end
end

function g = greyLevels(img)
  % Grey levels on a 0..255 scale from a grey or RGB image of any class.
  if isinteger(img)
    img = double(img) * (255 / double(intmax(class(img))));
  else
    img = double(img);
    if max(img(:)) <= 1
      img = 255 * img;
    end
  end
  if ndims(img) == 3 && size(img, 3) == 3
    g = 0.299 * img(:, :, 1) + 0.587 * img(:, :, 2) + 0.114 * img(:, :, 3);
  elseif ismatrix(img)
    g = img;
  else
    error('labrix_demo:images', 'images must be grey (rows-by-cols) or RGB (rows-by-cols-by-3)');
  end
end

function [left, right, truth] = synthesisePair(rows, cols, maxD, noise, seed)
  % Layers from back to front, each with a texture and a mask given in the
  % left image's coordinates (columns 1..cols + maxD, so that the background
  % also covers what the right camera sees beyond the left image's edge) and
  % a disparity per row. The right image shows, at column c, the front-most
  % layer whose mask holds at column c + d.
  saved = rng();
  rng(seed);
  span = cols + maxD;
  [C, R] = meshgrid(1:span, 1:rows);
  steps = max(1, min(4, maxD - 1));
  layers = struct('mask', {}, 'disparity', {}, 'texture', {});
  % Background: a floor rising in steps of one disparity from top to bottom.
  layers(end + 1) = layer(true(rows, span), min(maxD, 1 + floor(steps * ((1:rows)' - 1) / rows)), ...
                          rows, span, 60, 200);
  % A rectangle, a thin vertical bar and a disc in front.
  d = round([0.55 0.75 0.9] * maxD);
  layers(end + 1) = layer(R >= 0.15 * rows & R <= 0.6 * rows & C >= 0.1 * cols & C <= 0.45 * cols, ...
                          d(1) * ones(rows, 1), rows, span, 30, 160);
  layers(end + 1) = layer(R >= 0.1 * rows & R <= 0.9 * rows & C >= 0.78 * cols & C <= 0.84 * cols, ...
                          d(2) * ones(rows, 1), rows, span, 90, 250);
  layers(end + 1) = layer((R - 0.62 * rows) .^ 2 + (C - 0.6 * cols) .^ 2 <= (0.22 * min(rows, cols)) ^ 2, ...
                          d(3) * ones(rows, 1), rows, span, 20, 230);
  left = zeros(rows, cols);
  right = zeros(rows, cols);
  truth = zeros(rows, cols);
  for k = 1:numel(layers)
    L = layers(k);
    in = L.mask(:, 1:cols);
    left(in) = L.texture(in);
    depth = repmat(L.disparity, 1, cols);
    truth(in) = depth(in);
    for r = 1:rows
      source = (1:cols) + L.disparity(r);
      seen = L.mask(r, source);
      right(r, seen) = L.texture(r, source(seen));
    end
  end
  left = min(255, max(0, left + noise * randn(rows, cols)));
  right = min(255, max(0, right + noise * randn(rows, cols)));
  rng(saved);
end

function L = layer(mask, disparity, rows, span, low, high)
  % A texture of blobs a few pixels wide between the grey levels low and high.
  t = conv2(rand(rows + 4, span + 4), ones(3) / 9, 'valid');
  t = conv2(t, [1 2 1; 2 4 2; 1 2 1] / 16, 'same');
  t = (t - min(t(:))) / max(eps, max(t(:)) - min(t(:)));
  L = struct('mask', mask, 'disparity', disparity, 'texture', low + (high - low) * t(1:rows, 1:span));
end

function D = dataCosts(left, right, maxD, truncation)
  [rows, cols] = size(left);
  D = truncation * ones(maxD + 1, rows, cols, 'single');
  for d = 0:maxD
    cost = min(abs(left(:, d + 1:cols) - right(:, 1:cols - d)), truncation);
    D(d + 1, :, d + 1:cols) = reshape(single(cost), [1, rows, cols - d]);
  end
end

function [HW, VW] = contrastWeights(img, threshold, high)
  % HW(x+1, y+1) weighs the pair (x, y)-(x+1, y): image rows r and r+1;
  % VW(x+1, y+1) the pair (x, y)-(x, y+1): image columns c and c+1. The last
  % row of HW and the last column of VW belong to no pair.
  [rows, cols] = size(img);
  HW = ones(rows, cols);
  VW = ones(rows, cols);
  HW(1:rows - 1, :) = 1 + (high - 1) * (abs(diff(img, 1, 1)) < threshold);
  VW(:, 1:cols - 1) = 1 + (high - 1) * (abs(diff(img, 1, 2)) < threshold);
end

function writeImages(folder, left, right, disparity, truth, maxD)
  if ~exist(folder, 'dir')
    mkdir(folder);
  end
  imwrite(uint8(left), fullfile(folder, 'left.png'));
  imwrite(uint8(right), fullfile(folder, 'right.png'));
  imwrite(eightBit(colourDisparity(double(disparity), maxD)), fullfile(folder, 'disparity.png'));
  if ~isempty(truth)
    imwrite(eightBit(colourDisparity(truth, maxD)), fullfile(folder, 'truth.png'));
    wrong = abs(double(disparity) - truth) > 1;
    grey = 0.35 + 0.5 * left / 255;
    red = grey;
    green = grey;
    blue = grey;
    red(wrong) = 1;
    green(wrong) = 0;
    blue(wrong) = 0;
    imwrite(eightBit(cat(3, red, green, blue)), fullfile(folder, 'errors.png'));
  end
end

function img = eightBit(rgb)
  % 8-bit PNGs: imwrite would store a double image with 16 bits.
  img = uint8(round(255 * rgb));
end

function rgb = colourDisparity(d, maxD)
  % Disparity 0..maxD on a dark-blue (far) to red (near) colour scale.
  map = jet(256);
  index = 1 + round(255 * d / max(1, maxD));
  rgb = reshape(map(index(:), :), [size(d), 3]);
end

function say(verbose, varargin)
  if verbose
    fprintf(varargin{:});
  end
end
