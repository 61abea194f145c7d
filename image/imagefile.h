// Opening image files without trusting the names a stream gives.
#pragma once

namespace naplps {

// Opens a regular file for reading: -1 for anything else (a FIFO or a device
// is never waited on).
int image_open_path(const char *path);

// Opens `name` inside directory `dir`: a relative name whose components are
// neither "..", nor empty at the end, and of which none is a symbolic link;
// the file must be a regular one. -1 otherwise.
int image_open_in(const char *dir, const char *name);

// Reads the WNGD file open on fd and draws it (see pdi_load_gdf).
int gdf_draw(int fd, int x, int y, int w, int h);

}  // namespace naplps
