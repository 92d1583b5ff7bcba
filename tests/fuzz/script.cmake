quarvel_fuzz_target(script LIBS quarvel_host)
