quarvel_test(store_tests SOURCES platform/registry_test.cpp LIBS quarvel_store)
