#include "platform/movie_file.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

struct PLT_movie {
	AVFormatContext* out = nullptr;
	AVCodecContext* enc = nullptr;
	AVStream* stream = nullptr;
	AVFrame* frame = nullptr;
	AVPacket* held = nullptr;  // the last compressed frame, empty when none
	SwsContext* convert = nullptr;
	int dx = 0, dy = 0;
	long long next_pts = 0;  // running sum of the added durations
	long long frames = 0;
};

namespace {

int const time_scale = 600;
// JPEG quantiser for ordinary quality: small files, flat colours kept.
int const jpeg_quality = 4;

void release(PLT_movie* m)
{
	if (m->out && m->out->pb) avio_closep(&m->out->pb);
	avformat_free_context(m->out);
	avcodec_free_context(&m->enc);
	av_frame_free(&m->frame);
	av_packet_free(&m->held);
	sws_freeContext(m->convert);
	delete m;
}

PLT_movie* fail(PLT_movie* m, int step, int err, int* step_out, int* err_out)
{
	release(m);
	*step_out = step;
	*err_out = err;
	return nullptr;
}

}  // namespace

int PLT_movie_avail()
{
	return avcodec_find_encoder(AV_CODEC_ID_MJPEG) != nullptr && av_guess_format("mov", nullptr, nullptr) != nullptr;
}

PLT_movie* PLT_movie_open(std::string const& path, int dx, int dy, int* step, int* err)
{
	auto* m = new PLT_movie;
	m->dx = dx;
	m->dy = dy;
	*step = movie_step_none;
	*err = 0;

	int e = avformat_alloc_output_context2(&m->out, nullptr, "mov", path.c_str());
	if (e < 0 || !m->out) return fail(m, movie_step_file, e < 0 ? e : AVERROR(ENOMEM), step, err);
	e = avio_open(&m->out->pb, path.c_str(), AVIO_FLAG_WRITE);
	if (e < 0) return fail(m, movie_step_file, e, step, err);

	AVCodec const* codec = avcodec_find_encoder(AV_CODEC_ID_MJPEG);
	if (!codec) return fail(m, movie_step_encoder, AVERROR_ENCODER_NOT_FOUND, step, err);
	m->enc = avcodec_alloc_context3(codec);
	if (!m->enc) return fail(m, movie_step_encoder, AVERROR(ENOMEM), step, err);
	m->enc->width = dx;
	m->enc->height = dy;
	// Full-range YUV is what JPEG means; the converter is told so below.
	m->enc->pix_fmt = AV_PIX_FMT_YUV420P;
	m->enc->color_range = AVCOL_RANGE_JPEG;
	m->enc->time_base = AVRational{1, time_scale};
	m->enc->flags |= AV_CODEC_FLAG_QSCALE;
	m->enc->global_quality = FF_QP2LAMBDA * jpeg_quality;
	if (m->out->oformat->flags & AVFMT_GLOBALHEADER) m->enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
	e = avcodec_open2(m->enc, codec, nullptr);
	if (e < 0) return fail(m, movie_step_encoder, e, step, err);

	m->stream = avformat_new_stream(m->out, nullptr);
	if (!m->stream) return fail(m, movie_step_stream, AVERROR(ENOMEM), step, err);
	m->stream->time_base = AVRational{1, time_scale};
	e = avcodec_parameters_from_context(m->stream->codecpar, m->enc);
	if (e < 0) return fail(m, movie_step_stream, e, step, err);
	AVDictionary* options = nullptr;
	av_dict_set(&options, "video_track_timescale", "600", 0);
	e = avformat_write_header(m->out, &options);
	av_dict_free(&options);
	if (e < 0) return fail(m, movie_step_stream, e, step, err);

	m->frame = av_frame_alloc();
	m->held = av_packet_alloc();
	if (!m->frame || !m->held) return fail(m, movie_step_buffers, AVERROR(ENOMEM), step, err);
	m->frame->format = m->enc->pix_fmt;
	m->frame->width = dx;
	m->frame->height = dy;
	m->frame->color_range = AVCOL_RANGE_JPEG;
	e = av_frame_get_buffer(m->frame, 0);
	if (e < 0) return fail(m, movie_step_buffers, e, step, err);
	m->convert = sws_getContext(dx, dy, AV_PIX_FMT_RGBA, dx, dy, AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr, nullptr,
	                            nullptr);
	if (!m->convert) return fail(m, movie_step_buffers, AVERROR(EINVAL), step, err);
	int const* coefficients = sws_getCoefficients(SWS_CS_DEFAULT);
	sws_setColorspaceDetails(m->convert, coefficients, 1, coefficients, 1, 0, 1 << 16, 1 << 16);
	return m;
}

int PLT_movie_compress(PLT_movie* m, unsigned char const* rgba, int stride)
{
	int e = av_frame_make_writable(m->frame);
	if (e < 0) return e;
	uint8_t const* const src[1] = {rgba};
	int const src_stride[1] = {stride};
	sws_scale(m->convert, src, src_stride, 0, m->dy, m->frame->data, m->frame->linesize);
	m->frame->pts = m->frames++;
	m->frame->quality = m->enc->global_quality;
	e = avcodec_send_frame(m->enc, m->frame);
	if (e < 0) return e;
	av_packet_unref(m->held);
	// One JPEG per frame: the packet is there at once.
	return avcodec_receive_packet(m->enc, m->held);
}

int PLT_movie_add(PLT_movie* m, int duration)
{
	if (m->held->size <= 0) return AVERROR(EINVAL);
	AVPacket* p = av_packet_clone(m->held);
	if (!p) return AVERROR(ENOMEM);
	// The header keeps the track's scale at 600; rescaled should it not.
	AVRational const units{1, time_scale};
	p->stream_index = m->stream->index;
	p->pts = p->dts = av_rescale_q(m->next_pts, units, m->stream->time_base);
	p->duration = av_rescale_q(duration, units, m->stream->time_base);
	m->next_pts += duration;
	int const e = av_interleaved_write_frame(m->out, p);
	av_packet_free(&p);
	return e;
}

int PLT_movie_close(PLT_movie* m, int* step)
{
	*step = movie_step_none;
	int result = 0;
	// Nothing is left in a JPEG compressor, but it is drained all the same.
	int e = avcodec_send_frame(m->enc, nullptr);
	while (e >= 0) e = avcodec_receive_packet(m->enc, m->held);
	if (e != AVERROR_EOF) {
		*step = movie_step_flush;
		result = e;
	}
	if (result == 0) {
		e = av_write_trailer(m->out);
		if (e < 0) *step = movie_step_trailer, result = e;
	}
	if (m->out->pb) {
		e = avio_closep(&m->out->pb);
		if (e < 0 && result == 0) *step = movie_step_close, result = e;
	}
	release(m);
	return result;
}
