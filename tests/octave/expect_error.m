function expect_error (f, id, message, nout)
  % Calls f() and checks that it fails with this identifier and a message
  % that ends with the given text (Octave puts "name: " in front of a
  % module's message; the identifier has no prefix). With nout = 1 the call
  % asks for one output, as `h = labrixgate (h, 's', ...)` does.
  try
    if (nargin > 3 && nout == 1)
      x = f ();
    else
      f ();
    endif
  catch err
    if (! strcmp (err.identifier, id))
      error ("expect_error:id", "identifier '%s', expected '%s' (message: %s)", ...
             err.identifier, id, err.message);
    endif
    text = err.message;
    if (numel (text) < numel (message) || ! strcmp (text(end-numel (message)+1:end), message))
      error ("expect_error:message", "message '%s', expected it to end with '%s'", text, message);
    endif
    return;
  end_try_catch
  error ("expect_error:none", "no error, expected '%s': %s", id, message);
endfunction
