# Build-time choices of the online services, checked when configuring.
# Also runs as a script: cmake -DZENTRIK_SERVER_BASE=… -DZENTRIK_UPDATE_PUBLIC_KEY=… -P OnlineChecks.cmake

# Tutorials, the update descriptor and the program files all come from
# here: only over https.
function(zentrik_check_server_base base)
  if(NOT base MATCHES "^https://[^/]+")
    message(FATAL_ERROR
      "ZENTRIK_SERVER_BASE must be an https:// address, not \"${base}\": "
      "the update descriptor and the program files are fetched only over https.")
  endif()
endfunction()

# Empty, or the base64 of a raw 32-byte Ed25519 public key (44 characters,
# one '=' at the end): scripts/sign-update --public-key KEY prints it.
function(zentrik_check_update_key key)
  if(key STREQUAL "")
    return()
  endif()
  string(LENGTH "${key}" length)
  if(NOT length EQUAL 44 OR NOT key MATCHES "^[A-Za-z0-9+/]+[AEIMQUYcgkosw048]=$")
    message(FATAL_ERROR
      "ZENTRIK_UPDATE_PUBLIC_KEY must be the base64 of a raw 32-byte Ed25519 public key "
      "(44 characters ending in '='), as printed by scripts/sign-update --public-key KEY.")
  endif()
endfunction()

if(CMAKE_SCRIPT_MODE_FILE)
  zentrik_check_server_base("${ZENTRIK_SERVER_BASE}")
  zentrik_check_update_key("${ZENTRIK_UPDATE_PUBLIC_KEY}")
endif()
