// Print engine stand-in.
