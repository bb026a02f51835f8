/* Preloaded into the sanitizer test run: dlclose does nothing, so the
 * libraries that Qt and libglvnd load at run time (the Mesa driver, the Qt
 * platform plugins) stay mapped until exit. LeakSanitizer looks for leaks
 * after they would otherwise be gone; a block that such a library keeps
 * until exit then stays reachable from it, or is reported under the
 * library's name, instead of as an allocation of an unknown module that no
 * suppression can name. Our own code is linked, never unloaded, so nothing
 * of ours changes. */
int dlclose(void *handle)
{
    (void)handle;
    return 0;
}
