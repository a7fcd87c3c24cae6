// The access the loader asks for when it maps the destination of the copy.
#pragma once

namespace coreseed {

// On the handheld the destination is mapped for writing only; the processor
// has no write-only pages, so the kernel can still copy the file into it. The
// simulator's builds map it readable too, because an ARM build running under
// user-mode emulation gets EFAULT from read() into a page it may not read.
int image_mapping_protection();

} // namespace coreseed
