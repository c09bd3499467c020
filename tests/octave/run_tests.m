function failures = run_tests(mexdir)
  % Runs every test file of this folder with Octave's test() and prints
  % "N passed, N failed" as its last line. Returns the number of failures,
  % so that `exit(run_tests(dir))` fails the shell command on any failure.
  addpath(mexdir);
  addpath(fileparts(mfilename('fullpath')));
  here = fileparts(mfilename('fullpath'));
  files = dir(fullfile(here, 'test_*.m'));
  passed = 0;
  failed = 0;
  for k = 1:numel(files)
    name = files(k).name;
    [n, nmax] = test(fullfile(here, name), 'quiet', stdout);
    printf('%-40s %d of %d passed\n', name, n, nmax);
    passed = passed + n;
    failed = failed + (nmax - n);
  end
  printf('%d passed, %d failed\n', passed, failed);
  failures = failed;
end
