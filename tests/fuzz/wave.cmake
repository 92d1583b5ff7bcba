quarvel_fuzz_target(wave LIBS quarvel_sound)
