function labrix_demo ()
  % LABRIX_DEMO  A short tour of labrixnew and labrixgate.
  %   Builds a 4-by-3 grid with three labels, sets a labelling, prints its
  %   smoothness and data energies, reads the labels back and closes it.
  L = 3; W = 4; H = 3;
  D = zeros (L, W, H);
  D(1, :, :) = 1;                 % label 0 costs 1 everywhere
  D(3, 1:2, :) = 5;               % label 2 is expensive on the left half
  S = abs ((0:L-1)' - (0:L-1));   % linear smoothness |a - b|
  h = labrixnew (D, S);
  labels = int32 ([0 1 1 2; 0 1 2 2; 0 0 1 2]');   % W-by-H, like the image
  h = labrixgate (h, 's', labels);
  [h, smooth, data] = labrixgate (h, 'n');
  printf ('labelling:\n');
  [h, back] = labrixgate (h, 'g');
  disp (back');
  printf ('smoothness energy %g, data energy %g, total %g\n', smooth, data, smooth + data);
  labrixgate (h, 'c');
endfunction
