/* Preloaded into sanitized runs: dlclose does nothing, so libraries that the
 * process loads at run time (the GL driver under SDL and EGL) stay mapped
 * until the leak check at exit. The checker then sees what they still hold
 * and names them in its reports; unloaded, their memory shows up as leaks
 * of "<unknown module>" that no suppression can name. */
int dlclose(void *handle) {
  (void)handle;
  return 0;
}
