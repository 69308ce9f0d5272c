// Vertex data packing: streams of bytes that grow in 1024-byte chunks,
// packed once, back to back, into one block of memory or one buffer object,
// and the bind-if-changed calls for the two buffer targets, which count
// every real bind in the statistics.
#pragma once
#include <GL/gl.h>

#include <cstddef>
#include <cstdint>

class OGL_chunkybuffer {
public:
	struct chunk {
		chunk* next;
		std::uint32_t free_bytes;  // of data, not yet written
		unsigned char data[1024];
	};
	struct subregion {
		subregion* next;
		chunk* first_chunk;  // null once packed
		chunk* cur_chunk;    // the chunk being written; null once packed
		unsigned char* write_ptr;
		std::uint32_t offset;  // in the packed block
	};

	OGL_chunkybuffer();
	~OGL_chunkybuffer();
	OGL_chunkybuffer(OGL_chunkybuffer const&) = delete;
	OGL_chunkybuffer& operator=(OGL_chunkybuffer const&) = delete;

	subregion* new_subregion();
	// Appends bytes to a subregion of this buffer, adding chunks as they fill.
	void append(subregion* s, void const* data, std::size_t bytes);
	void calc_offsets();
	void finalize_mem();
	void finalize_vbo(int static_data);
	void map();    // the buffer object into mem, for writing
	void unmap();  // and unbinds the array buffer

	void* mem;  // the packed block, or the mapped buffer object
	GLuint vbo;
	std::uint32_t total_size;
	subregion* first_sub;
	subregion* last_sub;
	int finalized;  // 1 once packed: no more subregions or bytes

private:
	void free_chunks(subregion* s);
};

// Bind to the array / index target only when it differs from the last bind.
void OGL_bind_vbo(unsigned long const& vbo);
void OGL_bind_vbo_ind(unsigned long const& vbo);
