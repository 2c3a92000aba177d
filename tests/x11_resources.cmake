# Read by ctest after the test programs' discovered tests: every X11 test
# (by its suite's name) takes one display of the pool. With a resource
# file (ctest --resource-spec-file, written by .ci/run for its virtual
# displays) the X11 tests then run on several displays at once; without
# one ctest ignores the requirement and they share $DISPLAY, taking turns
# through the display's test lock.
foreach(_list IN ITEMS test_platform_gui_TESTS test_ui_controls_TESTS test_ui_look_TESTS test_sync_TESTS
                       test_host_TESTS)
  foreach(_test IN LISTS ${_list})
    if(_test MATCHES "X11|OnDisplay|SampleWalk")
      set_tests_properties("${_test}" PROPERTIES RESOURCE_GROUPS "display:1")
    endif()
  endforeach()
endforeach()
