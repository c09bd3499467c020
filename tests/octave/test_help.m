## Every function of the toolbox has help, the modules included: their
## help-only files sit beside them and do not shadow them.

%!test
%! ## Each row: name, text its help must contain.
%! cases = {
%!   "labrixgate",          "LABRIXGATE  Work on a Labrix optimizer object"
%!   "labrixnew",           "LABRIXNEW  Build a Labrix optimizer object"
%!   "colshift",            "COLSHIFT  Shift every column of a matrix"
%!   "Labrix",              "LABRIX  A Labrix optimizer object that closes itself"
%!   "labrix_demo",         "LABRIX_DEMO  Stereo disparity by expansion moves"
%!   "labrix_segment_demo", "LABRIX_SEGMENT_DEMO  Two-label and multi-label segmentation"
%! };
%! for k = 1:rows(cases)
%!   text = get_help_text(cases{k, 1});
%!   assert(! isempty(strfind(text, cases{k, 2})), cases{k, 1});
%! endfor
%! text = evalc("help labrixgate");
%! assert(! isempty(strfind(text, "[H, LABELS] = LABRIXGATE(H, 'e', [], LABEL, INDICES)")));

%!test
%! ## The modules, not their help files, run.
%! for name = {"labrixgate", "labrixnew", "colshift"}
%!   [~, ~, ext] = fileparts(which(name{1}));
%!   assert(strcmp(ext, ".mex"), name{1});
%! endfor
%! assert(exist("labrixgate"), 3);
