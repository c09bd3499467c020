## Random argument combinations thrown at labrixnew, labrixgate and colshift
## from Octave itself: every call succeeds or raises an identified error
## (for colshift one of its messages), Octave stays alive, and the objects
## made before stay usable.

%!function args = random_args (pool, handles, n)
%!  args = cell (1, n);
%!  for k = 1:n
%!    if (! isempty (handles) && rand () < 0.3)
%!      args{k} = handles{randi (numel (handles))};
%!    else
%!      args{k} = pool{randi (numel (pool))};
%!    endif
%!  endfor
%!endfunction

%!function [ok, handle] = try_call (f, args, nout)
%!  ## ok is true when the call succeeded or failed acceptably; handle is a
%!  ## new handle made by labrixnew, if any.
%!  handle = [];
%!  ok = true;
%!  try
%!    if (nout == 0)
%!      f (args{:});
%!    else
%!      out = cell (1, nout);
%!      [out{1:nout}] = f (args{:});
%!      if (strcmp (func2str (f), 'labrixnew'))
%!        handle = out{1};
%!      endif
%!    endif
%!  catch err
%!    name = func2str (f);
%!    if (strcmp (name, 'colshift'))
%!      ok = isempty (err.identifier) && ! isempty (err.message);
%!    else
%!      ## Octave's own answer to an output the module does not fill.
%!      unfilled = ! isempty (regexp (err.message, 'undefined in return list|value on right hand side', 'once'));
%!      ok = strncmp (err.identifier, 'Labrix', 6) || (isempty (err.identifier) && unfilled);
%!    endif
%!    if (! ok)
%!      printf ('unidentified error from %s: [%s] %s\n', name, err.identifier, err.message);
%!    endif
%!  end_try_catch
%!endfunction

%!test
%! rand ('state', 7);
%! D = rand (3, 4, 2);
%! S = 1 - eye (3);
%! pool = {[], 0, 1, -1, 2, 3, NaN, Inf, -Inf, 1e20, 0.5, 'e', 'a', 'c', 'g', 'n', 's', 'x', 'E', ...
%!         'per', 'Labels', 'RandomOrder', int32([0 1 2 0 1 2 0 1]), int32(0:7), uint32(0), ...
%!         uint32(4294967295), single(rand(2)), sparse([0 1; 1 0]), complex(1, 2), {1}, ...
%!         struct('a', 1), true, rand(2, 3, 2), D, S, ones(4, 2), int8(-1), uint16(357), ...
%!         zeros(3, 0), 'expand', int32([]), rand(8), -ones(4, 2)};
%! keeper = labrixnew (D, S, 'RandomOrder', false);
%! handles = {keeper};
%! modules = {@labrixnew, @labrixgate, @colshift};
%! for trial = 1:1500
%!   f = modules{randi (3)};
%!   args = random_args (pool, handles, randi ([0 6]));
%!   [ok, h] = try_call (f, args, randi ([0 3]));
%!   assert (ok);
%!   if (! isempty (h))
%!     handles{end+1} = h;
%!   endif
%! endfor
%! ## The first object may have been closed by a random 'c'; if not, it works.
%! try
%!   [keeper, lab] = labrixgate (keeper, 'g');
%!   assert (size (lab), [4 2]);
%!   keeper = labrixgate (keeper, 's', int32 (zeros (4, 2)));
%!   [keeper, s, d] = labrixgate (keeper, 'n');
%!   assert (isfinite ([s d]));
%!   labrixgate (keeper, 'c');
%! catch err
%!   assert (err.identifier, 'Labrix:handle');
%! end_try_catch
%! h = labrixnew (D, S);
%! [h, lab] = labrixgate (h, 'g');
%! assert (lab, int32 (zeros (4, 2)));
%! labrixgate (h, 'c');
%! for k = 1:numel (handles)
%!   try
%!     labrixgate (handles{k}, 'c');
%!   catch
%!   end_try_catch
%! endfor
