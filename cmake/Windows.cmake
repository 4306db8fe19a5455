# Settings shared by every Windows target: the Windows XP API level, a fully
# static runtime, and bytes that do not depend on when or where they were built.
add_compile_definitions(_WIN32_WINNT=0x0501 WINVER=0x0501 WIN32_LEAN_AND_MEAN NOMINMAX)
add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}=.
                    -ffunction-sections -fdata-sections
                    # -Os merges each constructor's two forms into one; i686
                    # GCC 12's whole-program optimisation then fails inside
                    # them (binds_to_current_def_p), and keeping both costs
                    # no size at all here.
                    -fno-declone-ctor-dtor
                    # Nothing asks a type its name at run time.
                    -fno-rtti)
add_link_options(-static -static-libgcc -static-libstdc++
                 -Wl,--no-insert-timestamp -Wl,--gc-sections
                 -Wl,--major-subsystem-version,5 -Wl,--minor-subsystem-version,1
                 -Wl,--major-os-version,5 -Wl,--minor-os-version,1
                 # No install-mode compatibility on Remote Desktop Session Hosts.
                 -Wl,--tsaware)
