quarvel_fuzz_target(store LIBS quarvel_store)
