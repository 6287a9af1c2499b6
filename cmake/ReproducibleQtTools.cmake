# Qt's resource compiler stamps each file's modification time into the sources it
# generates, and a fresh clone's files are as new as the clone: every generated resource
# source would differ from one clone to the next, and the compiler cache would miss each
# one. The resource compiler runs through a wrapper that fixes the stamp. (Qt 6.4's QML
# compiler orders its output by where things lie in its memory, which differs with the
# folder's path; its sources still miss in a clone elsewhere.) Needs Qt6::rcc imported in
# this folder.

if(TARGET Qt6::rcc)
  get_target_property(tessorin_real_rcc Qt6::rcc LOCATION)
  set(tessorin_rcc_wrapper ${CMAKE_BINARY_DIR}/reproducible-tools/rcc)
  file(CONFIGURE OUTPUT ${tessorin_rcc_wrapper} @ONLY CONTENT
       "#!/bin/sh\nQT_RCC_SOURCE_DATE_OVERRIDE=1 exec '@tessorin_real_rcc@' \"$@\"\n")
  file(CHMOD ${tessorin_rcc_wrapper} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
       WORLD_READ WORLD_EXECUTE)
  set_target_properties(Qt6::rcc PROPERTIES IMPORTED_LOCATION ${tessorin_rcc_wrapper})
  get_target_property(tessorin_rcc_configurations Qt6::rcc IMPORTED_CONFIGURATIONS)
  foreach(configuration IN LISTS tessorin_rcc_configurations)
    set_target_properties(Qt6::rcc PROPERTIES IMPORTED_LOCATION_${configuration} ${tessorin_rcc_wrapper})
  endforeach()
endif()
