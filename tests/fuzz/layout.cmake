quarvel_fuzz_target(layout LIBS quarvel_layout)
