/* assert.h - diagnostics. Unlike the other headers this one has no guard:
 * it may be included again after NDEBUG changes. */
#undef assert

#ifdef NDEBUG
#define assert(e) ((void)0)
#else
extern void __lumo_assert_fail(const char *expr, const char *file, int line);
#define assert(e) ((e) ? (void)0 : __lumo_assert_fail(#e, __FILE__, __LINE__))
#endif
