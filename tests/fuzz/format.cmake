quarvel_fuzz_target(format LIBS quarvel_text)
