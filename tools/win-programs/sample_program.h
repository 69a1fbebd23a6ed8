/* What the sample CD's setup programs and uninstallers do on the machine, one step each. Paths are Windows
   paths; every step reports whether it succeeded, and a step that finds its work already done (a file that
   is gone, a directory that exists) succeeds. */
#ifndef SAMPLE_PROGRAM_H
#define SAMPLE_PROGRAM_H

#include <stddef.h>

/* Fields of one script line, and the longest path or value a step takes. */
#define SP_MAX_FIELDS 6
#define SP_MAX_TEXT 1024

/* Replaces a leading placeholder of `text` by the directory it stands for: %T the program's own directory,
   %W the Windows directory, %D the user's desktop, %P the Start menu's programs. False when the result
   does not fit or the folder is unknown. */
int sp_expand(const char* text, char* out, size_t size);

/* The directory and its parents. */
int sp_make_dir(const char* path);
/* Copies a file over any file of that name, making the target's directory. */
int sp_copy(const char* from, const char* to);
/* A text file of one line (CRLF), making its directory. */
int sp_write_line(const char* path, const char* line);
/* A key of a profile file, as Windows writes it; a bare file name lies in the Windows directory. */
int sp_write_profile(const char* file, const char* section, const char* key, const char* value);
/* A string value; the key is "HKLM\..." or "HKCU\...". */
int sp_write_registry(const char* key, const char* name, const char* value);
/* The key with all its subkeys. */
int sp_delete_registry(const char* key);
/* A shell shortcut to `target`, making its directory. */
int sp_write_shortcut(const char* path, const char* target);
/* Deletes a file, read-only or not. */
int sp_delete_file(const char* path);
/* Removes the directory and then every parent that became empty, stopping below the drive's root; a
   directory that is not empty stays. */
int sp_prune(const char* path);
/* Moves the running program out of the directory that it is about to remove: Windows deletes no program
   while it runs. The moved copy goes at the next start of Windows. */
int sp_step_aside(void);

#endif
