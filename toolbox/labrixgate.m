%LABRIXGATE  Work on a Labrix optimizer object: labels, energies, moves, close.
%
%   H = LABRIXGATE(H, 's', LABELS)          SetLabels
%   [H, LABELS] = LABRIXGATE(H, 'g')        GetLabels
%   [H, SMOOTH, DATA] = LABRIXGATE(H, 'n')  Energy
%   [H, LABELS] = LABRIXGATE(H, 'e')        expansion to convergence
%   [H, LABELS] = LABRIXGATE(H, 'e', N)     at most N expansion passes
%   [H, LABELS] = LABRIXGATE(H, 'e', [], LABEL)           one expansion move
%   [H, LABELS] = LABRIXGATE(H, 'e', [], LABEL, INDICES)  ... on listed pixels
%   [H, LABELS] = LABRIXGATE(H, 'a')        swap to convergence
%   [H, LABELS] = LABRIXGATE(H, 'a', N)     at most N swap passes
%   [H, LABELS] = LABRIXGATE(H, 'a', LABEL1, LABEL2)      one swap move
%   H = LABRIXGATE(H, 'c')                  close: destroy the object, H = 0
%
%   An object holds one labelling problem (pixels, labels, data costs,
%   smoothness costs; see LABRIXNEW, which builds it and returns H) and its
%   current labelling. The total energy of a labelling is its data energy
%   (the sum of every pixel's cost for its label) plus its smoothness energy
%   (the sum of the costs of all neighbour pairs).
%
%   Labels and pixels are counted from 0 and exchanged as int32. On a grid
%   of width W and height H, pixel (x, y) has index x + y*W; x runs along
%   MATLAB's first dimension, so the LABELS output of a grid is W-by-H, the
%   same shape as the image whose pixels are labelled, element (x+1, y+1)
%   being the label of pixel (x, y), and MATLAB's linear index minus one is
%   the pixel index. On a general graph LABELS is 1-by-N.
%
%   Arguments
%     H        the 1-by-1 uint32 handle from LABRIXNEW (or a previous call).
%              Every call returns it again as its first output; close
%              returns 0. A handle names a slot of a table, never an address:
%              a closed object's handle, 0 and forged values are refused.
%     mode     one character: 's', 'g', 'n', 'e', 'a' or 'c'. Any numeric
%              scalar is accepted too; its low byte is the character code.
%     LABELS   (SetLabels) int32 array of N elements, any shape, read in
%              MATLAB's element order: element k is the label of pixel k-1.
%              Exactly one output (H) must be requested.
%     N        pass limit (any numeric scalar, truncated toward zero).
%              N = 1 runs exactly one pass. A driver runs passes while a pass
%              strictly lowers the total energy, at most N of them; N <= 0
%              runs none. Without N the limit is 1000000000.
%     LABEL    label 0..L-1 of a one-label expansion move: every pixel may
%              switch to LABEL (the third argument must be empty, []).
%     INDICES  int32 0-based pixel indices: only these pixels may switch to
%              LABEL, the others keep their labels. Grids with a smoothness
%              table only (weighted or not); no index may be listed twice.
%     LABEL1, LABEL2  the pair of a swap move: pixels labelled LABEL1 or
%              LABEL2 may exchange these two labels.
%
%   Outputs
%     H        the handle (0 after close).
%     LABELS   int32 labelling after the operation, W-by-H (1-by-N on a
%              general graph). Optional for 'e' and 'a'.
%     SMOOTH, DATA  1-by-1 single: smoothness and data energy.
%
%   Expansion and swap moves are each solved exactly as one minimum cut.
%   An expansion move needs a regular smoothness table for every pair of
%   labels: V(alpha,b) + V(a,alpha) >= V(alpha,alpha) + V(a,b) (true for
%   metrics such as Potts and truncated linear); swap needs
%   V(a,b) + V(b,a) >= V(a,a) + V(b,b). With 'RandomOrder' (LABRIXNEW's
%   default) every pass visits the labels in a new random order.
%
%   Errors (identifier: message)
%     Labrix: Too few input arguments                    (fewer than 2)
%     Labrix:handle: Too many LX handles                 (H not 1 element)
%     Labrix:handle: LX handle argument is not of proper type  (not uint32)
%     Labrix:handle: LX handle is not valid              (closed, 0, forged)
%     Labrix:GetScalar: input is not a scalar!           (mode, N, labels)
%     Labrix:GetScalar: unsupported data type            (logical, int64, cell)
%     Labrix:mode: unrecognized mode
%     Labrix:SetLabels: Wrong number of input arguments
%     Labrix:SetLabels: labels array not int32
%     Labrix:SetLabels: wrong number of elements in labels array
%     Labrix:SetLabels: wrong number of output parameters
%     Labrix:GetLabels: Wrong number of input arguments
%     Labrix:GetLabels: Wrong number of output arguments
%     Labrix:Energy: Too many input arguments
%     Labrix:Energy: wrong number of output arguments
%     Labrix:Expand: indices must be int32
%     Labrix:Expand: too many indices                    (more than N)
%     Labrix:Expand: index ... is outside 0 to N-1 / is listed twice
%     Labrix:Expand: third argument must empty
%     Labrix:Expand: Too many input arguments
%     Labrix:Expand: too many output arguments           (after the move ran)
%     Labrix:swap: invalid label value
%     Labrix:swap: Too many input arguments
%     Labrix:swap: too many output arguments             (after the move ran)
%     Labrix:internal: NOT SUPPORTED YET,exiting!   (INDICES on a general
%              graph; nothing changes)
%     Labrix:internal_error: Lumora error: ...      (a refused precondition of
%              the optimizer: "Wrong label value", "Illegal Label to Expand
%              On", a smoothness table that is not regular for the move, ...)
%   Octave puts "labrixgate: " in front of every message.
%
%   Lifetime: an object lives until it is closed. `clear all` (or
%   `clear functions`) destroys every live object; their handles are refused
%   afterwards. Clearing one module (`clear labrixgate`) keeps them. The
%   LABRIX class closes its object when the variable is cleared.
%
%   Example
%     D = rand(3, 40, 30);                  % 3 labels, a 40-by-30 grid
%     S = min(abs((0:2)' - (0:2)), 1);      % Potts smoothness
%     h = labrixnew(D, S);
%     [h, labels] = labrixgate(h, 'e');     % expansion to convergence
%     [h, smooth, data] = labrixgate(h, 'n');
%     [h, labels] = labrixgate(h, 'e', [], 2, int32([0 1 40]));  % 3 pixels
%     [h, labels] = labrixgate(h, 'a', 0, 2);                    % one swap
%     labrixgate(h, 'c');
%
%   See also LABRIXNEW, LABRIX, LABRIX_DEMO.

% labrixgate is a MEX module (gateway/); this file holds its help.
