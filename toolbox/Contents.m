% Labrix: exact-move multi-label energy optimization for image labelling.
% Version 0.1.0
%
% A labelling problem is a grid (or a graph whose neighbour pairs you list),
% a number of labels, a data cost per pixel and label, and a smoothness cost
% per neighbour pair. Expansion and swap moves lower the total energy, each
% solved exactly as one minimum cut. Labels and pixel indices exchanged with
% the modules are 0-based int32; a grid labelling is W-by-H, shaped like the
% image whose pixels it labels.
%
% Modules
%   labrixnew            - Build an optimizer object from cost tables; returns its handle.
%   labrixgate           - Labels, energies, expansion, swap and close by handle.
%   colshift             - Shift column i of a matrix circularly by i times a step.
%
% Class
%   Labrix               - Handle class over both modules; closes itself when cleared.
%
% Demos
%   labrix_demo          - Stereo disparity on a synthesised pair (or yours), PNG output.
%   labrix_segment_demo  - Two-label and four-label segmentation of a noisy image.
%
% Quick start
%   D = rand(3, 40, 30);                       % L-by-W-by-H data costs
%   obj = Labrix(D, 1 - eye(3), 'Verbose', true);
%   labels = obj.expand();                     % 40-by-30 int32, labels 0..2
%   [total, data, smooth] = obj.energy();
%   clear obj
