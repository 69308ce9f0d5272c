#include "support/movie_reader.h"

#include <algorithm>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

movie_contents read_movie(std::string const& path)
{
	movie_contents out;
	// The decoder's notes on draining and on the JPEG pixel formats are
	// not findings.
	av_log_set_level(AV_LOG_ERROR);
	AVFormatContext* in = nullptr;
	if (avformat_open_input(&in, path.c_str(), nullptr, nullptr) < 0) {
		out.error = "cannot open " + path;
		return out;
	}
	AVCodecContext* dec = nullptr;
	AVPacket* pkt = av_packet_alloc();
	AVFrame* frame = av_frame_alloc();
	SwsContext* sws = nullptr;
	int index = -1;
	auto take_frames = [&] {
		while (avcodec_receive_frame(dec, frame) == 0) {
			if (!sws) {
				sws = sws_getContext(frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
				                     frame->width, frame->height, AV_PIX_FMT_RGB24, SWS_BILINEAR, nullptr, nullptr,
				                     nullptr);
				int const* k = sws_getCoefficients(SWS_CS_DEFAULT);
				sws_setColorspaceDetails(sws, k, 1, k, 1, 0, 1 << 16, 1 << 16);
			}
			// Into a padded frame first: the converter may write past a
			// row's end.
			AVFrame* rgb_frame = av_frame_alloc();
			rgb_frame->format = AV_PIX_FMT_RGB24;
			rgb_frame->width = frame->width;
			rgb_frame->height = frame->height;
			av_frame_get_buffer(rgb_frame, 0);
			sws_scale(sws, frame->data, frame->linesize, 0, frame->height, rgb_frame->data, rgb_frame->linesize);
			size_t const row = static_cast<size_t>(frame->width) * 3;
			std::vector<unsigned char> rgb(row * frame->height);
			for (int y = 0; y < frame->height; ++y)
				std::copy_n(rgb_frame->data[0] + static_cast<size_t>(y) * rgb_frame->linesize[0], row,
				            rgb.data() + y * row);
			av_frame_free(&rgb_frame);
			out.frames.push_back(std::move(rgb));
		}
	};
	do {
		if (avformat_find_stream_info(in, nullptr) < 0) {
			out.error = "no stream info";
			break;
		}
		index = av_find_best_stream(in, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
		if (index < 0) {
			out.error = "no video track";
			break;
		}
		AVStream* st = in->streams[index];
		out.mjpeg = st->codecpar->codec_id == AV_CODEC_ID_MJPEG;
		unsigned const tag = st->codecpar->codec_tag;
		for (int i = 0; i < 4; ++i) out.tag += static_cast<char>((tag >> (8 * i)) & 0xff);
		out.width = st->codecpar->width;
		out.height = st->codecpar->height;
		out.tb_num = st->time_base.num;
		out.tb_den = st->time_base.den;
		AVCodec const* codec = avcodec_find_decoder(st->codecpar->codec_id);
		dec = codec ? avcodec_alloc_context3(codec) : nullptr;
		if (!dec || avcodec_parameters_to_context(dec, st->codecpar) < 0 || avcodec_open2(dec, codec, nullptr) < 0) {
			out.error = "no decoder";
			break;
		}
		while (av_read_frame(in, pkt) >= 0) {
			if (pkt->stream_index == index) {
				out.pts.push_back(pkt->pts);
				out.durations.push_back(pkt->duration);
				if (avcodec_send_packet(dec, pkt) == 0) take_frames();
			}
			av_packet_unref(pkt);
		}
		avcodec_send_packet(dec, nullptr);
		take_frames();
	} while (false);
	sws_freeContext(sws);
	av_frame_free(&frame);
	av_packet_free(&pkt);
	avcodec_free_context(&dec);
	avformat_close_input(&in);
	return out;
}
