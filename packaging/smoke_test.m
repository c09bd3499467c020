function failures = smoke_test (root)
  % Checks an installed and loaded labrix package: the modules come from the
  % package's architecture folder with liblabrix.so beside them, help works
  % for every function (the modules included), the two modules share one
  % handle table, the class works, a module error passes through, and the
  % demo reaches its accuracy at a small size. Prints "N passed, N failed"
  % last and returns the number of failures. ROOT is the folder the package
  % was installed under.
  checks = {
    'modules in the package arch folder', @() modules_beside_library (root)
    'help labrixgate',                    @() help_has ('labrixgate', "[H, LABELS] = LABRIXGATE(H, 'e', [], LABEL, INDICES)")
    'help labrixnew',                     @() help_has ('labrixnew', 'LABRIXNEW  Build a Labrix optimizer object')
    'help colshift',                      @() help_has ('colshift', 'COLSHIFT  Shift every column')
    'help Labrix',                        @() help_has ('Labrix', 'LABRIX  A Labrix optimizer object')
    'help labrix_demo',                   @() help_has ('labrix_demo', 'LABRIX_DEMO  Stereo disparity')
    'one handle table for both modules',  @shared_table
    'class and error pass-through',       @class_works
    'colshift runs',                      @() assert (colshift (reshape (1:4, 2, 2), 1, 1, 'per'), [1 4; 2 3])
    'stereo demo accuracy',               @demo_accuracy
  };
  failures = 0;
  for k = 1:rows (checks)
    try
      checks{k, 2} ();
      printf ('ok      %s\n', checks{k, 1});
    catch err
      failures = failures + 1;
      printf ('FAILED  %s: %s\n', checks{k, 1}, err.message);
    end_try_catch
  endfor
  printf ('%d passed, %d failed\n', rows (checks) - failures, failures);
endfunction

function modules_beside_library (root)
  gate = which ('labrixgate');
  [dir, ~, ext] = fileparts (gate);
  assert (strcmp (ext, '.mex'), 'labrixgate is %s', gate);
  assert (strncmp (dir, root, numel (root)), 'labrixgate comes from %s, not from the package', dir);
  for f = {'labrixnew.mex', 'colshift.mex', 'liblabrix.so', 'labrixgate.m', 'labrixnew.m', 'colshift.m'}
    assert (isfile (fullfile (dir, f{1})), '%s is not beside labrixgate.mex', f{1});
  endfor
endfunction

function help_has (name, text)
  shown = evalc (sprintf ('help %s', name));
  assert (! isempty (strfind (shown, text)), 'help %s shows: %s', name, shown(1:min (end, 200)));
endfunction

function shared_table ()
  h = labrixnew (repmat ([0; 1; 2], [1 3 2]), 1 - eye (3));
  [h, lab] = labrixgate (h, 'e');
  assert (lab, zeros (3, 2, 'int32'));
  labrixgate (h, 'c');
endfunction

function class_works ()
  obj = Labrix (repmat ([2; 1; 0], [1 4 3]), min (abs ((0:2)' - (0:2)), 1), 'RandomOrder', false);
  assert (obj.expand (), 2 * ones (4, 3, 'int32'));
  assert (obj.energy (), single (0));
  h = obj.Handle;
  clear obj
  try
    labrixgate (h, 'g');
    error ('smoke:closed', 'a cleared object is still alive');
  catch err
    assert (err.identifier, 'Labrix:handle');
    assert (err.message, 'labrixgate: LX handle is not valid');
  end_try_catch
endfunction

function demo_accuracy ()
  r = labrix_demo ('Size', [60 80], 'MaxDisparity', 9, 'OutputFolder', '', 'Verbose', false);
  assert (r.accuracy > 0.85, 'accuracy %.3f', r.accuracy);
endfunction
