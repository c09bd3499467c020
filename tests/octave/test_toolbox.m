## The Labrix class against direct labrixnew/labrixgate calls: the same
## problem and label order give the same labels and energies; its lifetime
## (close, delete, clear, copies of the handle); expandAt's 1-based to
## 0-based index conversion; the 'Verbose' pass lines; errors of the
## modules passing through unchanged.

%!function args = problem(kind)
%!  ## Small problems with fixed pseudo-random costs; every smoothness table
%!  ## is a metric, so expansion and swap accept it.
%!  rand("state", 11);
%!  L = 4;
%!  S = min(abs((0:L-1)' - (0:L-1)), 2);
%!  switch(kind)
%!    case "grid"
%!      args = {single(3 * rand(L, 7, 5)), S};
%!    case "weighted"
%!      args = {3 * rand(L, 6, 5), S, 0.5 + rand(6, 5), 0.5 + rand(6, 5)};
%!    case "graph"
%!      G = sparse([1 2 3 4 5 1 2], [2 3 4 5 6 6 5], [1 2 1 0.5 1 1 2], 9, 9);
%!      args = {3 * rand(L, 9), S, G};
%!    case "negative"
%!      ## Total energy below -10/9: the drivers run no pass.
%!      args = {-5 * ones(2, 3, 2), 1 - eye(2)};
%!  endswitch
%!endfunction

%!function h = direct(args, start)
%!  h = labrixnew(args{:}, "RandomOrder", false, "Labels", start);
%!endfunction

%!function [lab, e] = gate_result(h)
%!  [h, lab] = labrixgate(h, "g");
%!  [h, s, d] = labrixgate(h, "n");
%!  e = [d + s, d, s];
%!endfunction

%!function same(what, observed, expected)
%!  ## assert(observed, expected) with the case named in its message.
%!  try
%!    assert(observed, expected);
%!  catch err
%!    error("%s: %s", what, err.message);
%!  end_try_catch
%!endfunction

%!function h = set_direct(h, lab)
%!  h = labrixgate(h, "s", lab);
%!endfunction

%!function [id, msg] = error_of(f)
%!  id = ""; msg = "";
%!  try
%!    f();
%!  catch err
%!    id = err.identifier;
%!    msg = err.message;
%!  end_try_catch
%!endfunction

## ---- the class gives what the modules give ----

%!test
%! ## Each row: problem, the class call, the same operation on the gateway.
%! cases = {
%!   "grid",     @(o) o.expand(),          {"e"}
%!   "grid",     @(o) o.expand(1),         {"e", 1}
%!   "grid",     @(o) o.expand(2),         {"e", 2}
%!   "grid",     @(o) o.expand([], 3),     {"e", [], 3}
%!   "grid",     @(o) o.expandAt(2, [1 9 35]), {"e", [], 2, int32([0 8 34])}
%!   "grid",     @(o) o.swap(),            {"a"}
%!   "grid",     @(o) o.swap(1),           {"a", 1}
%!   "grid",     @(o) o.swap(0, 3),        {"a", 0, 3}
%!   "weighted", @(o) o.expand(),          {"e"}
%!   "weighted", @(o) o.swap(),            {"a"}
%!   "weighted", @(o) o.expandAt(1, 4:12), {"e", [], 1, int32(3:11)}
%!   "graph",    @(o) o.expand(),          {"e"}
%!   "graph",    @(o) o.swap(3),           {"a", 3}
%!   "graph",    @(o) o.swap(2, 1),        {"a", 2, 1}
%!   "negative", @(o) o.expand(),          {"e"}
%! };
%! for k = 1:rows(cases)
%!   args = problem(cases{k, 1});
%!   N = numel(args{1}) / size(args{1}, 1);
%!   start = mod(0:N-1, size(args{1}, 1));
%!   obj = Labrix(args{:}, "RandomOrder", false, "Labels", start);
%!   lab = cases{k, 2} (obj);
%!   h = direct(args, start);
%!   op = cases{k, 3};
%!   [h, expected] = labrixgate(h, op{:});
%!   [ref, e] = gate_result(h);
%!   same(sprintf("case %d", k), lab, expected);
%!   same(sprintf("case %d", k), obj.labels(), ref);
%!   [total, data, smooth] = obj.energy();
%!   same(sprintf("case %d", k), [total, data, smooth], e);
%!   assert(class(total), "single");
%!   labrixgate(h, "c");
%! endfor

%!test
%! ## A move without an output changes the object all the same.
%! args = problem("grid");
%! a = Labrix(args{:}, "RandomOrder", false);
%! b = Labrix(args{:}, "RandomOrder", false);
%! a.expand();
%! assert(a.labels(), b.expand());
%! a.swap(0, 1);
%! assert(a.labels(), b.swap(0, 1));

%!test
%! ## Shape and size properties; labels() is W-by-H on a grid, 1-by-N on a graph.
%! cases = {"grid", [7 5], true; "weighted", [6 5], true; "graph", [1 9], false};
%! for k = 1:rows(cases)
%!   args = problem(cases{k, 1});
%!   obj = Labrix(args{:});
%!   assert(obj.LabelSize, cases{k, 2});
%!   assert(obj.NumPixels, prod(cases{k, 2}));
%!   assert(obj.NumLabels, 4);
%!   assert(obj.IsGrid, cases{k, 3});
%!   assert(obj.labels(), zeros(cases{k, 2}, "int32"));
%! endfor

%!test
%! ## setLabels takes int32 and integer values of other classes, any shape.
%! args = problem("grid");
%! obj = Labrix(args{:});
%! want = int32(mod(reshape(0:34, 7, 5), 4));
%! obj.setLabels(double(want(:)'));
%! assert(obj.labels(), want);
%! obj.setLabels(uint8(3 - want));
%! assert(obj.labels(), 3 - want);
%! obj.setLabels(want');
%! assert(obj.labels(), reshape(want', 7, 5));

## ---- lifetime ----

%!test
%! ## clear of the only variable closes the object: its handle is refused.
%! args = problem("grid");
%! obj = Labrix(args{:});
%! h = obj.Handle;
%! [h, lab] = labrixgate(h, "g");
%! clear obj
%! expect_error(@() labrixgate(h, "g"), "Labrix:handle", "LX handle is not valid");

%!test
%! ## A copy holds the same object: it lives until the last copy is cleared.
%! args = problem("grid");
%! obj = Labrix(args{:});
%! other = obj;
%! h = obj.Handle;
%! clear obj
%! [h, lab] = labrixgate(h, "g");
%! assert(other.labels(), lab);
%! clear other
%! expect_error(@() labrixgate(h, "g"), "Labrix:handle", "LX handle is not valid");

%!test
%! ## delete destroys it at once.
%! args = problem("grid");
%! obj = Labrix(args{:});
%! h = obj.Handle;
%! obj.delete();
%! expect_error(@() labrixgate(h, "g"), "Labrix:handle", "LX handle is not valid");

%!test
%! ## So does close; close again is no error; every other method then fails
%! ## as the module does for a closed handle.
%! args = problem("grid");
%! obj = Labrix(args{:});
%! h = obj.Handle;
%! obj.close();
%! assert(obj.Handle, uint32(0));
%! expect_error(@() labrixgate(h, "g"), "Labrix:handle", "LX handle is not valid");
%! obj.close();
%! calls = {@() obj.labels(), @() obj.expand(), @() obj.swap(), ...
%!          @() obj.energy(), @() obj.setLabels(zeros(7, 5)), @() obj.expandAt(1, 1)};
%! for m = 1:numel(calls)
%!   expect_error(calls{m}, "Labrix:handle", "LX handle is not valid");
%! endfor

%!test
%! ## An object closed behind the class's back: clearing it is no error.
%! args = problem("grid");
%! obj = Labrix(args{:});
%! labrixgate(obj.Handle, "c");
%! expect_error(@() obj.labels(), "Labrix:handle", "LX handle is not valid");
%! clear obj

## ---- expandAt: 1-based indices or a mask become 0-based int32 ----

%!test
%! ## Label 2 is free everywhere else expensive: exactly the listed pixels
%! ## take it. Each row: the indices given, the pixels that must change.
%! D = repmat([1; 5; 0], [1 4 3]);
%! S = zeros(3);
%! mask = false(4, 3); mask([2 7 12]) = true;
%! cases = {
%!   [1 5 12],          [1 5 12]
%!   int16([12; 1]),   [1 12]
%!   uint8(4),         4
%!   [3 4; 7 8],        [3 4 7 8]
%!   mask,              [2 7 12]
%!   [],                []
%! };
%! for k = 1:rows(cases)
%!   obj = Labrix(D, S);
%!   lab = obj.expandAt(2, cases{k, 1});
%!   want = zeros(4, 3, "int32");
%!   want(cases{k, 2}) = 2;
%!   same(sprintf("case %d", k), lab, want);
%! endfor

%!test
%! ## Indices outside 1..N reach the module as 0-based values and are
%! ## refused there; values that are no integers are refused by the class.
%! obj = Labrix(rand(3, 4, 3), 1 - eye(3));
%! expect_error(@() obj.expandAt(1, 0), "Labrix:Expand", ...
%!               "index -1 (position 0 of the list) is outside 0 to 11");
%! expect_error(@() obj.expandAt(1, [3 13]), "Labrix:Expand", ...
%!               "index 12 (position 1 of the list) is outside 0 to 11");
%! expect_error(@() obj.expandAt(1, [2 5 2]), "Labrix:Expand", ...
%!               "index 1 is listed twice (positions 0 and 2 of the list)");
%! bad = {1.5, NaN, Inf, "a", {1}, 1i};
%! for k = 1:numel(bad)
%!   expect_error(@() obj.expandAt(1, bad{k}), "Labrix:expandAt", ...
%!                 "pixel indices must be real integers (1-based linear indices) or a logical mask");
%! endfor
%! assert(obj.labels(), zeros(4, 3, "int32"));

## ---- Verbose ----

%!function [lines, lab, obj] = verbose_run(args, call)
%!  obj = Labrix(args{:}, "RandomOrder", false, "Verbose", true);
%!  text = evalc("lab = call(obj);");
%!  lines = strsplit(strtrim(text), "\n");
%!  if(isempty(strtrim(text)))
%!    lines = {};
%!  endif
%!endfunction

%!test
%! ## One line per pass in the documented format; the labels equal those of
%! ## the same call without Verbose; the lines follow the stopping rule.
%! ## Each row: problem, call, its name in the lines, pass limit.
%! cases = {
%!   "grid",     @(o) o.expand(),  "expand", Inf
%!   "grid",     @(o) o.expand(2), "expand", 2
%!   "grid",     @(o) o.expand(1), "expand", 1
%!   "grid",     @(o) o.swap(),    "swap",   Inf
%!   "weighted", @(o) o.expand(),  "expand", Inf
%!   "graph",    @(o) o.swap(),    "swap",   Inf
%!   "graph",    @(o) o.swap(2.7), "swap",   2
%!   "grid",     @(o) o.expand(0), "expand", 0
%!   "negative", @(o) o.expand(),  "expand", 0
%! };
%! pattern = '^(expand|swap) pass (\d+): energy (\S+), change (\S+), (\d+\.\d\d\d) s$';
%! for k = 1:rows(cases)
%!   args = problem(cases{k, 1});
%!   [lines, lab, obj] = verbose_run(args, cases{k, 2});
%!   quiet = Labrix(args{:}, "RandomOrder", false);
%!   same(sprintf("case %d", k), lab, cases{k, 2} (quiet));
%!   limit = cases{k, 4};
%!   assert(numel(lines) <= limit);
%!   assert(numel(lines) > 0 || limit == 0);
%!   [total, ~, ~] = obj.energy();
%!   for p = 1:numel(lines)
%!     t = regexp(lines{p}, pattern, "tokens", "once");
%!     assert(! isempty(t), sprintf("case %d, line '%s'", k, lines{p}));
%!     assert(t{1}, cases{k, 3});
%!     assert(str2double(t{2}), p);
%!     change = str2double(t{4});
%!     if(p < numel(lines) || numel(lines) == limit)
%!       ## Every pass but the last one lowered the energy, or the limit ended it.
%!       assert(change < 0 || p == numel(lines));
%!     else
%!       assert(change >= 0, sprintf("case %d: the last pass must not lower the energy", k));
%!     endif
%!   endfor
%!   if(! isempty(lines))
%!     t = regexp(lines{end}, pattern, "tokens", "once");
%!     assert(str2double(t{3}), double(total), 1e-6 * abs(double(total)));
%!   endif
%! endfor

%!test
%! ## The changes add up to the energies on the lines: line p's change is
%! ## line p's energy minus line p-1's.
%! args = problem("weighted");
%! start = mod(0:29, 4);
%! [lines, lab, obj] = verbose_run({args{:}, "Labels", start}, @(o) o.swap());
%! assert(numel(lines) >= 2);
%! e = cellfun(@(s) sscanf(s, "%*s pass %*d: energy %f, change %f"), lines, "UniformOutput", false);
%! e = [e{:}];
%! assert(e(2, 2:end), diff(e(1, :)), 1e-3);

%!test
%! ## Verbose is a name/value option of the class (any case), not of
%! ## labrixnew, and a property that can be changed later.
%! args = problem("grid");
%! obj = Labrix(args{:}, "verbose", 1, "RandomOrder", false);
%! assert(obj.Verbose, true);
%! obj.Verbose = false;
%! assert(evalc("obj.expand();"), "");
%! expect_error(@() Labrix(args{:}, "Verbose", "yes"), "Labrix:Verbose", ...
%!               "Verbose must be a logical or numeric scalar");
%! expect_error(@() labrixnew(args{:}, "Verbose", true), "Labrix:new", ...
%!               "unknown option 'Verbose' (the options are 'Labels' and 'RandomOrder')");

## ---- errors pass through unchanged ----

%!test
%! ## Each row: a class call and the direct call that must fail the same way.
%! args = problem("grid");
%! h = direct(args, zeros(1, 35));
%! obj = Labrix(args{:});
%! cases = {
%!   @() Labrix(args{1}),                   @() labrixnew(args{1})
%!   @() Labrix(args{1}, eye(3)),          @() labrixnew(args{1}, eye(3))
%!   @() Labrix(args{:}, "Labels", 1:35),   @() labrixnew(args{:}, "Labels", 1:35)
%!   @() Labrix(args{:}, "Colour", 1),      @() labrixnew(args{:}, "Colour", 1)
%!   @() obj.expand([], 4),                 @() labrixgate(h, "e", [], 4)
%!   @() obj.expand(5, 2),                  @() labrixgate(h, "e", 5, 2)
%!   @() obj.expand("xy"),                  @() labrixgate(h, "e", "xy")
%!   @() obj.swap(0, 4),                    @() labrixgate(h, "a", 0, 4)
%!   @() obj.swap(1, 2, 3),                 @() labrixgate(h, "a", 1, 2, 3)
%!   @() obj.setLabels(int32(1:3)),        @() set_direct(h, int32(1:3))
%!   @() obj.setLabels(0.5 * ones(7, 5)),  @() set_direct(h, 0.5 * ones(7, 5))
%!   @() obj.setLabels(4 * ones(7, 5)),    @() set_direct(h, int32(4 * ones(7, 5)))
%! };
%! for k = 1:rows(cases)
%!   [id, msg] = error_of(cases{k, 1});
%!   [want_id, want_msg] = error_of(cases{k, 2});
%!   assert(! isempty(want_id), sprintf("case %d: the direct call must fail", k));
%!   same(sprintf("case %d", k), {id, msg}, {want_id, want_msg});
%! endfor
%! labrixgate(h, "c");

## ---- last, as it clears the helper functions of this file ----

%!test
%! ## `clear functions` destroys every object the modules hold: a Labrix
%! ## variable that outlives it fails as a closed one, and clearing it is
%! ## silent. (No helper functions here: they would be cleared too.)
%! obj = Labrix(rand(3, 4, 3), 1 - eye(3));
%! h = obj.Handle;
%! clear functions
%! expect_error(@() obj.labels(), "Labrix:handle", "LX handle is not valid");
%! assert(obj.Handle, h);
%! text = evalc("clear obj");
%! assert(text, "");
%! obj = Labrix(zeros(2, 3, 3), 1 - eye(2));
%! assert(obj.labels(), zeros(3, 3, "int32"));
