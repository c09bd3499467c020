classdef Labrix < handle
%LABRIX  A Labrix optimizer object that closes itself when it is cleared.
%
%   OBJ = LABRIX(D, S)           grid of W-by-H pixels
%   OBJ = LABRIX(D, S, HW, VW)   grid with a weight per neighbour pair
%   OBJ = LABRIX(D, S, G)        general graph of N pixels
%   OBJ = LABRIX(..., 'Labels', LABELS, 'RandomOrder', FLAG, 'Verbose', V)
%
%   The constructor takes the arguments of LABRIXNEW (see its help for D, S,
%   HW, VW, G and the options) plus 'Verbose': with V true, expansion and
%   swap run pass by pass and print one line per pass (see below). The
%   object is closed by CLOSE, by DELETE, or when the last variable that
%   holds it is cleared.
%
%   Labels are 0-based int32, as in LABRIXGATE; a labelling is W-by-H, shaped
%   like the image (1-by-N on a general graph). Pixel indices given to
%   EXPANDAT are 1-based MATLAB linear indices into that array.
%
%   Methods
%     LAB = OBJ.expand()             expansion to convergence
%     LAB = OBJ.expand(N)            at most N passes (N = 1: one pass)
%     LAB = OBJ.expand([], LABEL)    one expansion move on LABEL
%     LAB = OBJ.expandAt(LABEL, IDX) one expansion move on LABEL in which
%                                    only the pixels IDX may switch: 1-based
%                                    linear indices, or a logical mask with
%                                    one element per pixel (grids with a
%                                    smoothness table only; an empty
%                                    list changes nothing)
%     LAB = OBJ.swap()               swap to convergence
%     LAB = OBJ.swap(N)              at most N passes (N = 1: one pass)
%     LAB = OBJ.swap(LABEL1, LABEL2) one swap move on a label pair
%     LAB = OBJ.labels()             the current labelling
%     OBJ.setLabels(LAB)             set it: N labels 0..L-1, any shape; int32
%                                    or any numeric class holding integers
%     [TOTAL, DATA, SMOOTH] = OBJ.energy()   energies, 1-by-1 singles
%     OBJ.close()                    destroy the object now (again: no-op)
%   The moves return the labelling only when an output is requested.
%
%   A driver runs passes while a pass strictly lowers the total energy, at
%   most N of them (1000000000 without N). With 'Verbose' the passes of
%   expand() and swap(), with or without N, are made one by one from this
%   class with the same stopping rule and the same results, and each prints
%     expand pass 3: energy 1234.5, change -12.25, 0.041 s
%   (swap: "swap pass ..."): the pass number, the total energy after the
%   pass, its change from the energy before the pass, and the seconds the
%   pass took. OBJ.Verbose can be changed at any time.
%
%   Errors of LABRIXNEW and LABRIXGATE pass through unchanged (identifier
%   and message); after CLOSE every method but CLOSE fails with
%   Labrix:handle "LX handle is not valid". EXPANDAT refuses indices that
%   are not real integers with Labrix:expandAt; out-of-range or repeated
%   indices are refused by the module (Labrix:Expand).
%
%   Properties (read-only except Verbose)
%     Handle      the uint32 handle for LABRIXGATE (0 after close)
%     NumLabels   L
%     NumPixels   N
%     LabelSize   size of a labelling: [W H] on a grid, [1 N] on a graph
%     IsGrid      true for a grid
%     Verbose     print one line per pass (logical)
%
%   Example
%     D = rand(3, 40, 30);
%     obj = Labrix(D, 1 - eye(3), 'RandomOrder', false, 'Verbose', true);
%     lab = obj.expand();            % prints one line per pass
%     [total, data, smooth] = obj.energy();
%     lab = obj.expandAt(2, find(lab == 0));   % pixels now at label 0
%     clear obj                      % closes the object
%
%   See also LABRIXNEW, LABRIXGATE, LABRIX_DEMO.

  properties (SetAccess = private)
    Handle = uint32(0);
    NumLabels = 0;
    NumPixels = 0;
    LabelSize = [0 0];
    IsGrid = true;
  end

  properties
    Verbose = false;
  end

  methods
    function obj = Labrix(varargin)
      % 'Verbose' is this class's own option: take it out before labrixnew
      % sees the arguments. Options start at the first char argument and
      % come in name/value pairs.
      args = varargin;
      verbose = false;
      k = 1;
      while k <= numel(args) && ~ischar(args{k})
        k = k + 1;
      end
      positional = k - 1;
      while k <= numel(args)
        if ischar(args{k}) && strcmpi(args{k}, 'Verbose') && k < numel(args)
          verbose = Labrix.flagValue(args{k + 1});
          args(k:k + 1) = [];
        else
          k = k + 2;
        end
      end
      obj.Handle = labrixnew(args{:});
      obj.Verbose = verbose;
      D = args{1};
      obj.NumLabels = size(D, 1);
      obj.IsGrid = positional ~= 3;
      if obj.IsGrid
        obj.LabelSize = [size(D, 2), size(D, 3)];
      else
        obj.LabelSize = [1, size(D, 2)];
      end
      obj.NumPixels = prod(obj.LabelSize);
    end

    function set.Verbose(obj, value)
      obj.Verbose = Labrix.flagValue(value);
    end

    function varargout = expand(obj, varargin)
      [varargout{1:nargout}] = obj.move('e', 'expand', nargout, varargin);
    end

    function varargout = swap(obj, varargin)
      [varargout{1:nargout}] = obj.move('a', 'swap', nargout, varargin);
    end

    function varargout = expandAt(obj, label, idx)
      % The one place where 1-based MATLAB indices become the module's
      % 0-based int32 pixel indices.
      if islogical(idx)
        idx = find(idx);
      end
      if ~isnumeric(idx) || ~isreal(idx) || any(idx(:) ~= fix(idx(:))) || any(~isfinite(idx(:)))
        error('Labrix:expandAt', ...
              'pixel indices must be real integers (1-based linear indices) or a logical mask');
      end
      pixels = int32(double(idx(:)) - 1);
      if isempty(pixels)
        % An empty list changes nothing. It does not go to the module: a
        % host may pass an empty array without data, which the module takes
        % for "no list" and expands over the whole grid.
        if nargout > 0
          varargout{1} = obj.labels();
        end
        return;
      end
      if nargout > 0
        [obj.Handle, varargout{1}] = labrixgate(obj.Handle, 'e', [], label, pixels);
      else
        obj.Handle = labrixgate(obj.Handle, 'e', [], label, pixels);
      end
    end

    function lab = labels(obj)
      [obj.Handle, lab] = labrixgate(obj.Handle, 'g');
    end

    function setLabels(obj, lab)
      % Integer values of any real numeric class become int32; anything
      % else goes to the module as it is, which refuses it.
      if isnumeric(lab) && isreal(lab) && ~isa(lab, 'int32') && all(lab(:) == fix(lab(:))) ...
          && all(abs(double(lab(:))) < 2^31)
        lab = int32(lab);
      end
      obj.Handle = labrixgate(obj.Handle, 's', lab);
    end

    function [total, data, smooth] = energy(obj)
      [obj.Handle, smooth, data] = labrixgate(obj.Handle, 'n');
      total = data + smooth;   % single + single: the optimizer's own sum
    end

    function close(obj)
      if obj.Handle ~= 0
        h = obj.Handle;
        obj.Handle = uint32(0);
        labrixgate(h, 'c');
      end
    end

    function delete(obj)
      % Runs when the object is cleared. The module may already have
      % destroyed the object (clear all): a refused close is no error here.
      % While the host shuts down the property may no longer be settable,
      % which is no error either: the object is going away.
      h = obj.Handle;
      if h ~= 0
        try
          labrixgate(h, 'c');
        catch
        end
        try
          obj.Handle = uint32(0);
        catch
        end
      end
    end

    function disp(obj)
      if obj.Handle == 0
        fprintf('  Labrix object (closed)\n');
      elseif obj.IsGrid
        fprintf('  Labrix object: %d-by-%d grid, %d labels, handle %u\n', ...
                obj.LabelSize(1), obj.LabelSize(2), obj.NumLabels, obj.Handle);
      else
        fprintf('  Labrix object: graph of %d pixels, %d labels, handle %u\n', ...
                obj.NumPixels, obj.NumLabels, obj.Handle);
      end
    end
  end

  methods (Access = private)
    function varargout = move(obj, mode, name, nout, args)
      % Verbose runs of the drivers (no argument, or a pass limit that is a
      % plain number) go pass by pass from here; every other form goes to
      % the module as it is.
      limit = [];
      if obj.Verbose
        if isempty(args)
          limit = 1000000000;
        elseif numel(args) == 1 && Labrix.isPlainCount(args{1})
          limit = fix(double(args{1}));
        end
      end
      if isempty(limit)
        if nout > 0
          [obj.Handle, varargout{1}] = labrixgate(obj.Handle, mode, args{:});
        else
          obj.Handle = labrixgate(obj.Handle, mode, args{:});
        end
        return;
      end
      obj.runPasses(mode, name, limit);
      if nout > 0
        varargout{1} = obj.labels();
      end
    end

    function runPasses(obj, mode, name, limit)
      % The drivers' loop: current = the total energy, previous = (E + 1) * 10
      % rounded to single; passes run while previous > current, at most
      % limit of them. A limit of 1 runs one pass unconditionally, as the
      % module does for a count of 1.
      current = obj.energy();
      if limit == 1
        obj.onePass(mode, name, 1, current);
        return;
      end
      previous = single((double(current) + 1) * 10);
      pass = 1;
      while previous > current && pass <= limit
        previous = current;
        current = obj.onePass(mode, name, pass, previous);
        pass = pass + 1;
      end
    end

    function current = onePass(obj, mode, name, pass, previous)
      started = tic;
      obj.Handle = labrixgate(obj.Handle, mode, 1);
      seconds = toc(started);
      current = obj.energy();
      fprintf('%s pass %d: energy %.8g, change %.8g, %.3f s\n', ...
              name, pass, current, current - previous, seconds);
    end
  end

  methods (Static, Access = private)
    function ok = isPlainCount(n)
      ok = isnumeric(n) && isreal(n) && isscalar(n) && isfinite(n) && abs(double(n)) < 2^31;
    end

    function v = flagValue(value)
      if ~((islogical(value) || isnumeric(value)) && isscalar(value) && isreal(value)) || isnan(double(value))
        error('Labrix:Verbose', 'Verbose must be a logical or numeric scalar');
      end
      v = logical(value);
    end
  end
end
