%LABRIXNEW  Build a Labrix optimizer object and return its handle.
%
%   H = LABRIXNEW(D, S)            grid of W-by-H pixels
%   H = LABRIXNEW(D, S, HW, VW)    grid with a weight per neighbour pair
%   H = LABRIXNEW(D, S, G)         general graph of N pixels
%   H = LABRIXNEW(..., 'Labels', LABELS, 'RandomOrder', FLAG)
%
%   Builds an object that holds one labelling problem and its labelling
%   (every pixel 0 unless 'Labels' is given) and returns its handle H, a
%   1-by-1 uint32, for LABRIXGATE. Close it with labrixgate(H, 'c'), or use
%   the LABRIX class, which closes its object when it is cleared.
%
%   Labels and pixels are counted from 0. On a grid, pixel (x, y) has index
%   x + y*W; x runs along MATLAB's first dimension (rows), y along the second,
%   so a labelling is a W-by-H array shaped like the image, and MATLAB's
%   linear index minus one is the pixel index.
%
%   Arguments
%     D    data costs, L-by-W-by-H (an L-by-W matrix is a grid of height 1):
%          D(l+1, x+1, y+1) is the cost of label l at pixel (x, y). For a
%          general graph D is L-by-N: D(l+1, p+1) is the cost of label l at
%          pixel p. L = size(D, 1) is the number of labels.
%     S    smoothness costs, L-by-L: S(a+1, b+1) is the cost of a neighbour
%          pair whose first pixel has label a and second pixel label b. On a
%          grid the first pixel is the left (x) or upper (y) one; on a
%          general graph it is the one with the larger index. Expansion needs
%          S regular (S(c,b) + S(a,c) >= S(c,c) + S(a,b) for all a, b, c), as
%          metrics are: Potts 1 - eye(L), truncated linear
%          min(abs((0:L-1)' - (0:L-1)), T).
%     HW   W-by-H weights: HW(x+1, y+1) multiplies S for the pair
%          (x, y)-(x+1, y); the last row is not used.
%     VW   W-by-H weights: VW(x+1, y+1) multiplies S for the pair
%          (x, y)-(x, y+1); the last column is not used.
%     G    N-by-N matrix, sparse or full, numeric or logical: every pair
%          i < j with G(i, j) or G(j, i) nonzero is one neighbour pair of
%          pixels i-1 and j-1 with that weight (if both are nonzero they
%          must be equal).
%     'Labels', LABELS   initial labelling: N integers 0..L-1 of any real
%          numeric class and any shape, in MATLAB's element order.
%     'RandomOrder', FLAG   true (default): every pass visits the labels in
%          a new random order; false: in the order 0..L-1. Use false for
%          results that repeat exactly.
%   D, S and the weights are real single or double arrays; they are copied
%   and stored as 32-bit floats. Costs must be finite (a large finite cost
%   forbids a label); weights must be finite and non-negative (G's nonzeros
%   positive). Option names are case-insensitive.
%
%   Output
%     H    1-by-1 uint32 handle. At most 65535 objects live at a time.
%
%   Errors
%     Every refused argument ends the call with identifier Labrix:new and a
%     message that names the argument, e.g. "S must be L-by-L = 3-by-3, with
%     L = size(D, 1) (got 2-by-2)", "D(7) is NaN; costs must be finite ...",
%     "HW must be W-by-H = 40-by-30, one weight per pixel ...",
%     "Labels(4) = 5 is not an integer label from 0 to 2", "unknown option
%     'Verbose' (the options are 'Labels' and 'RandomOrder')", "too many live
%     objects (65535); close some with labrixgate(h, 'c')". A refused call
%     builds nothing. Octave puts "labrixnew: " in front of the message.
%
%   Example
%     L = 4; img = rand(60, 40);                      % a W-by-H image
%     D = (reshape(img, [1 60 40]) - ((0:L-1)' / (L-1))) .^ 2;  % L-by-W-by-H
%     S = min(abs((0:L-1)' - (0:L-1)), 2) / 4;        % truncated linear
%     h = labrixnew(D, S, 'RandomOrder', false);
%     [h, labels] = labrixgate(h, 'e');               % 60-by-40 int32
%     labrixgate(h, 'c');
%
%   See also LABRIXGATE, LABRIX.

% labrixnew is a MEX module (creator/); this file holds its help.
