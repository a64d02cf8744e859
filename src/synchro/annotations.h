// Lock rules the compiler checks: clang's thread-safety analysis reads these
// attributes (built with -Wthread-safety, see the thread-safety preset);
// other compilers see nothing. A capability is a lock; GUARDED_BY names the
// lock a field needs, REQUIRES the locks a function's caller must hold.
#pragma once

#if defined(__clang__)
#define ARENE_ANNOTATION(x) __attribute__((x))
#else
#define ARENE_ANNOTATION(x)
#endif

// A type whose objects are locks.
#define CAPABILITY(nom) ARENE_ANNOTATION(capability(nom))
// A type whose objects hold a lock for their lifetime (RAII).
#define SCOPED_CAPABILITY ARENE_ANNOTATION(scoped_lockable)

// A field read or written only with this lock held.
#define GUARDED_BY(verrou) ARENE_ANNOTATION(guarded_by(verrou))
// A pointer whose target is read or written only with this lock held.
#define PT_GUARDED_BY(verrou) ARENE_ANNOTATION(pt_guarded_by(verrou))

// The caller holds these locks, and still holds them on return.
#define REQUIRES(...) ARENE_ANNOTATION(requires_capability(__VA_ARGS__))
// The caller must not hold these locks: the function takes them itself.
#define EXCLUDES(...) ARENE_ANNOTATION(locks_excluded(__VA_ARGS__))

// The function takes these locks (its object, when none is named) and returns
// holding them; RELEASE gives them back.
#define ACQUIRE(...) ARENE_ANNOTATION(acquire_capability(__VA_ARGS__))
#define RELEASE(...) ARENE_ANNOTATION(release_capability(__VA_ARGS__))

// After the call, the analysis takes this lock as held: for a lock known by
// two names, once the function has checked they are one.
#define ASSERT_CAPABILITY(verrou) ARENE_ANNOTATION(assert_capability(verrou))

// The function returns this lock: holding what it returns is holding that.
#define RETURN_CAPABILITY(verrou) ARENE_ANNOTATION(lock_returned(verrou))

// Outside the analysis: for code that hands a lock to a library that does not
// know it (a condition variable's wait).
#define NO_THREAD_SAFETY_ANALYSIS ARENE_ANNOTATION(no_thread_safety_analysis)
