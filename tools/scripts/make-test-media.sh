#!/usr/bin/env bash
# Generates the test media into OUTDIR with the ffmpeg command line (lavfi sources only, nothing
# downloaded). Files already present are kept, so running it again is cheap; a file is written
# under a temporary name and renamed when complete, so an interrupted run leaves no half files.
#
#   make-test-media.sh OUTDIR           the regular set (a few seconds each, small pictures)
#   make-test-media.sh --bench OUTDIR   also the benchmark files (H.264 1080p, keyframe every 250)
#
# Every video shows testsrc2's moving pattern, with the frame number drawn in when drawtext and
# a font are available (the tests compare pixels, so they do not depend on the number).
set -euo pipefail

bench=0
if [ "${1:-}" = "--bench" ]; then
    bench=1
    shift
fi
if [ $# -ne 1 ]; then
    echo "usage: $0 [--bench] OUTDIR" >&2
    exit 2
fi
out=$1
mkdir -p "$out"
here=$(cd "$(dirname "$0")" && pwd)
ff=(ffmpeg -hide_banner -nostdin -loglevel error -y)

# The frame counter overlay, only when drawtext can render a font on this machine.
overlay=""
if "${ff[@]}" -f lavfi -i testsrc2=s=64x48:d=0.04 \
    -vf "drawtext=text='%{n}':fontsize=12:x=2:y=2" -f null - 2>/dev/null; then
    overlay=",drawtext=text='%{n}':fontsize=h/6:fontcolor=white:box=1:boxcolor=black:x=8:y=8"
fi

# video SIZE RATE SECONDS: a lavfi input for testsrc2 with the overlay.
video() {
    echo "testsrc2=s=$1:r=$2:d=$3${overlay}"
}
# tone FREQ SECONDS [RATE]
tone() {
    echo "sine=frequency=$1:sample_rate=${3:-48000}:duration=$2"
}

# make NAME ARGS...: runs ffmpeg into NAME unless it exists. The output format must be given
# with -f in ARGS because the temporary name has no meaningful extension.
make() {
    local name=$1
    shift
    [ -s "$out/$name" ] && return 0
    local tmp="$out/.tmp.$name"
    if ! "${ff[@]}" "$@" "$tmp"; then
        rm -f "$tmp"
        echo "make-test-media: failed to write $name" >&2
        return 1
    fi
    mv "$tmp" "$out/$name"
}

small=320x240
# AVI with Motion JPEG and PCM.
make avi_mjpeg.avi -f lavfi -i "$(video $small 25 4)" -f lavfi -i "$(tone 440 4)" \
    -c:v mjpeg -q:v 4 -c:a pcm_s16le -f avi
# AVI with type-2 DV (video stream 'dvsd' plus a separate PCM stream), PAL.
make avi_dv_type2.avi -f lavfi -i "$(video 720x576 25 2)" -f lavfi -i "$(tone 440 2)" \
    -c:v dvvideo -pix_fmt yuv420p -c:a pcm_s16le -ac 2 -f avi
# Raw DV with a recording date and a timecode, 16:9 PAL.
make raw.dv -f lavfi -i "$(video 720x576 25 2)" -f lavfi -i "$(tone 440 2)" \
    -c:v dvvideo -pix_fmt yuv420p -aspect 16:9 -c:a pcm_s16le -ac 2 \
    -metadata creation_time=2009-07-14T15:42:07Z -timecode 10:20:30:12 -f dv
# AVI type-1 DV, built around the raw DV frames (ffmpeg cannot write it).
if [ ! -s "$out/avi_dv_type1.avi" ]; then
    python3 "$here/../dv-avi-type1.py" "$out/raw.dv" "$out/.tmp.avi_dv_type1.avi"
    mv "$out/.tmp.avi_dv_type1.avi" "$out/avi_dv_type1.avi"
fi
# MPEG-1 system stream.
make mpeg1.mpg -f lavfi -i "$(video 352x240 25 4)" -f lavfi -i "$(tone 440 4 44100)" \
    -c:v mpeg1video -b:v 1M -g 12 -bf 2 -c:a mp2 -b:a 128k -f mpeg
# MPEG-2 program stream flagged 16:9, with B-frames.
make mpeg2_16x9.mpg -f lavfi -i "$(video 352x288 25 4)" -f lavfi -i "$(tone 440 4)" \
    -c:v mpeg2video -b:v 2M -g 12 -bf 2 -aspect 16:9 -c:a mp2 -b:a 192k -f vob
# VOB: MPEG-2 4:3 with AC-3 and LPCM audio.
make dvd.vob -f lavfi -i "$(video 352x288 25 4)" -f lavfi -i "$(tone 440 4)" \
    -f lavfi -i "$(tone 660 4)" -map 0 -map 1 -map 2 \
    -c:v mpeg2video -b:v 2M -g 15 -bf 2 -aspect 4:3 -c:a:0 ac3 -b:a:0 192k -c:a:1 pcm_dvd -f vob
# MPEG-2 transport streams: plain TS with MPEG-2 video, M2TS/MTS with H.264 and AC-3 in
# 192-byte packets as camcorders write them.
make mpeg2.ts -f lavfi -i "$(video 352x288 25 4)" -f lavfi -i "$(tone 440 4)" \
    -c:v mpeg2video -b:v 2M -g 12 -bf 2 -c:a mp2 -f mpegts
make avchd.m2ts -f lavfi -i "$(video $small 25 4)" -f lavfi -i "$(tone 440 4)" \
    -c:v libx264 -preset veryfast -g 25 -bf 2 -pix_fmt yuv420p -c:a ac3 \
    -mpegts_m2ts_mode 1 -f mpegts
make camera.MTS -f lavfi -i "$(video $small 25 3)" -f lavfi -i "$(tone 440 3)" \
    -c:v libx264 -preset veryfast -g 12 -bf 2 -pix_fmt yuv420p -c:a ac3 \
    -mpegts_m2ts_mode 1 -f mpegts
# Windows Media.
make wmv8.wmv -f lavfi -i "$(video $small 25 4)" -f lavfi -i "$(tone 440 4 44100)" \
    -c:v wmv2 -b:v 1M -g 25 -c:a wmav2 -b:a 64k -f asf
# Matroska and MP4 with H.264 using B-frames (open GOPs in the MKV).
make h264.mkv -f lavfi -i "$(video $small 25 4)" -f lavfi -i "$(tone 440 4)" \
    -c:v libx264 -preset veryfast -g 30 -bf 3 -x264-params open-gop=1 -pix_fmt yuv420p \
    -c:a aac -f matroska
make h264.mp4 -f lavfi -i "$(video $small 25 4)" -f lavfi -i "$(tone 440 4)" \
    -c:v libx264 -preset veryfast -g 30 -bf 3 -pix_fmt yuv420p -c:a aac -f mp4
# Full HD, where decoded pictures take 2 MiB and more: H.264 4:2:0, and MPEG-2 4:2:2.
make h264_1080p.mp4 -f lavfi -i "$(video 1920x1080 25 1)" \
    -c:v libx264 -preset ultrafast -g 25 -bf 2 -pix_fmt yuv420p -f mp4
make mpeg2_1080_422.mpg -f lavfi -i "$(video 1920x1080 25 0.4)" \
    -c:v mpeg2video -pix_fmt yuv422p -b:v 8M -g 5 -bf 2 -f mpeg
# One video and three audio streams.
make three_audio.avi -f lavfi -i "$(video $small 25 3)" -f lavfi -i "$(tone 440 3)" \
    -f lavfi -i "$(tone 550 3)" -f lavfi -i "$(tone 660 3 22050)" \
    -map 0 -map 1 -map 2 -map 3 -c:v mjpeg -q:v 5 -c:a:0 pcm_s16le -c:a:1 mp2 -c:a:2 pcm_s16le \
    -ac 2 -f avi
# A picture size change in the middle: two transport streams one after the other, the second
# with times continuing after the first.
if [ ! -s "$out/size_change.ts" ]; then
    make .part1.ts -f lavfi -i "$(video $small 25 1)" -c:v mpeg2video -b:v 1M -g 12 -bf 2 -f mpegts
    make .part2.ts -f lavfi -i "$(video 352x288 25 1)" -c:v mpeg2video -b:v 1M -g 12 -bf 2 \
        -output_ts_offset 1 -f mpegts
    cat "$out/.part1.ts" "$out/.part2.ts" >"$out/.tmp.size_change.ts"
    mv "$out/.tmp.size_change.ts" "$out/size_change.ts"
    rm -f "$out/.part1.ts" "$out/.part2.ts"
fi
# One green picture, converted with the BT.709 matrix at 1280x720 and with BT.601 at 320x240,
# limited range, without colour tags: a player must pick the matrix from the picture size.
for kind in "hd_green_bt709.mp4 1280x720 bt709" "sd_green_bt601.mp4 320x240 bt601"; do
    set -- $kind
    make "$1" -f lavfi -i "color=c=0x20C040:s=$2:r=25:d=0.2" \
        -vf "scale=out_color_matrix=$3:out_range=tv,format=yuv420p" \
        -c:v libx264 -preset ultrafast -qp 0 -x264-params colormatrix=undef -f mp4
done
# NTSC rates (30000/1001 and 24000/1001), where a frame lasts no whole number of 100 ns units
# and timecodes count frames that are not 40 ms apart: H.264 with B-frames in MP4 and in a
# QuickTime .mov, MPEG-2 in a transport stream, NTSC DV, and an MP4 whose frame rate changes
# from 25 to 29.97 after two seconds (variable frame rate, as phones record).
make h264_2997.mp4 -f lavfi -i "$(video $small 30000/1001 4)" -f lavfi -i "$(tone 440 4)" \
    -c:v libx264 -preset veryfast -g 30 -bf 3 -pix_fmt yuv420p -c:a aac -f mp4
make h264_23976.mov -f lavfi -i "$(video $small 24000/1001 4)" -f lavfi -i "$(tone 440 4)" \
    -c:v libx264 -preset veryfast -g 24 -bf 2 -pix_fmt yuv420p -c:a aac -f mov
make mpeg2_2997.ts -f lavfi -i "$(video 352x240 30000/1001 4)" -f lavfi -i "$(tone 440 4)" \
    -c:v mpeg2video -b:v 2M -g 15 -bf 2 -c:a mp2 -f mpegts
make ntsc.dv -f lavfi -i "$(video 720x480 30000/1001 2)" -f lavfi -i "$(tone 440 2)" \
    -c:v dvvideo -pix_fmt yuv411p -c:a pcm_s16le -ac 2 -timecode "01:02:03;04" -f dv
make vfr.mp4 -f lavfi -i "testsrc2=s=$small:r=30000/1001:d=4,settb=1/90000,setpts='if(lt(N,50),N*0.04,2+(N-50)*1001/30000)/TB'${overlay}" \
    -f lavfi -i "$(tone 440 4)" -fps_mode passthrough -enc_time_base:v 1/90000 -video_track_timescale 90000 \
    -c:v libx264 -preset veryfast -g 30 -bf 2 -pix_fmt yuv420p -c:a aac -shortest -f mp4
# Picture starting after the sound, as cameras and muxers write them (the sound begins at the
# container's start, the first picture tens of milliseconds later), in every container that
# can carry it; and an MP4 cut between two keyframes, whose edit list starts in mid-GOP (the
# frames before it are decoded and discarded). Position 0 is the first picture in all of them.
late() { # late NAME OFFSET-SECONDS CODEC-AND-FORMAT-ARGS...
    local name=$1 offset=$2
    shift 2
    make "$name" -f lavfi -i "$(tone 440 4.4)" -f lavfi -i "$(video $small 25 4)" \
        -map 1:v -map 0:a -vf "setpts=PTS+$offset/TB" "$@"
}
late late_video.mpg 0.3 -c:v mpeg2video -b:v 2M -g 12 -bf 2 -c:a mp2 -f vob
late late_video_mpeg1.mpg 0.2 -c:v mpeg1video -b:v 1M -g 12 -bf 2 -c:a mp2 -ar 44100 -f mpeg
late late_video.ts 0.12 -c:v libx264 -preset veryfast -g 25 -bf 3 -pix_fmt yuv420p -c:a ac3 \
    -f mpegts
late late_video.m2ts 0.12 -c:v libx264 -preset veryfast -g 25 -bf 3 -pix_fmt yuv420p -c:a ac3 \
    -mpegts_m2ts_mode 1 -f mpegts
late late_video.wmv 0.16 -c:v wmv2 -b:v 1M -g 25 -c:a wmav2 -b:a 64k -ar 44100 -f asf
late late_video.mkv 0.1 -c:v libx264 -preset veryfast -g 30 -bf 3 -pix_fmt yuv420p -c:a aac \
    -f matroska
late late_video.mp4 0.1 -c:v libx264 -preset veryfast -g 30 -bf 3 -pix_fmt yuv420p -c:a aac \
    -f mp4
make edit_list_cut.mp4 -ss 1.3 -i "$out/h264.mp4" -c copy -f mp4

# Intervalometer runs: 10 seconds at 25 frames per second, and 61 seconds at 5 frames per
# second (every picture a key picture, so each seek is quick).
make interval_10s.avi -f lavfi -i "$(video 160x120 25 10)" -c:v mjpeg -q:v 5 -f avi
make interval_61s.avi -f lavfi -i "$(video 160x120 5 61)" -c:v mjpeg -q:v 5 -f avi

# Audio only.
make audio_only.mp3 -f lavfi -i "$(tone 440 3 44100)" -c:a libmp3lame -b:a 128k -f mp3

# Damaged copies.
damage() { # damage SOURCE NAME KIND
    [ -e "$out/$2" ] && return 0
    local tmp="$out/.tmp.$2"
    local size
    size=$(stat -c %s "$out/$1")
    case $3 in
    truncate) head -c $((size / 2)) "$out/$1" >"$tmp" ;;
    overwrite)
        cp "$out/$1" "$tmp"
        # 64 KiB of a fixed pattern in the middle: reproducible, and hits headers and payload.
        python3 -c 'import sys; sys.stdout.buffer.write(bytes((i * 151 + 7) & 255 for i in range(65536)))' |
            dd of="$tmp" bs=1 seek=$((size / 2)) conv=notrunc status=none
        ;;
    esac
    mv "$tmp" "$out/$2"
}
damage h264.mp4 damaged_truncated.mp4 truncate
damage mpeg2_16x9.mpg damaged_truncated.mpg truncate
damage avi_mjpeg.avi damaged_overwritten.avi overwrite
damage h264.mkv damaged_overwritten.mkv overwrite
damage mpeg2.ts damaged_overwritten.ts overwrite
[ -e "$out/empty.avi" ] || : >"$out/empty.avi"
[ -e "$out/not_a_video.mpg" ] || printf 'This is a plain text file, not a video.\n%.0s' {1..200} >"$out/not_a_video.mpg"

# Containers reached only through the general splitter's claim by content (no extension of the
# builders' table): video files with a picture and a sound stream, and sound-only files.
make webm_vp9.webm -f lavfi -i "$(video $small 25 2)" -f lavfi -i "$(tone 440 2)" \
    -c:v libvpx-vp9 -deadline realtime -cpu-used 8 -b:v 400k -g 25 -c:a libopus -f webm
make flv_h263.flv -f lavfi -i "$(video $small 25 2)" -f lavfi -i "$(tone 440 2 44100)" \
    -c:v flv -q:v 5 -g 25 -c:a libmp3lame -b:a 64k -f flv
make ogv_theora.ogv -f lavfi -i "$(video $small 25 2)" -f lavfi -i "$(tone 440 2)" \
    -c:v libtheora -q:v 6 -g 25 -c:a libvorbis -f ogg
make mxf_mpeg2.mxf -f lavfi -i "$(video 720x576 25 2)" -f lavfi -i "$(tone 440 2)" \
    -c:v mpeg2video -b:v 4M -g 12 -bf 2 -pix_fmt yuv420p -c:a pcm_s16le -ar 48000 -f mxf
make raw_yuv.y4m -f lavfi -i "$(video 176x144 25 2)" -pix_fmt yuv420p -f yuv4mpegpipe
make mobile.3gp -f lavfi -i "$(video 176x144 25 2)" -f lavfi -i "$(tone 440 2 8000)" \
    -c:v h263 -q:v 5 -g 25 -c:a aac -ac 1 -b:a 24k -f 3gp
make tone.wav -f lavfi -i "$(tone 440 2 44100)" -c:a pcm_s16le -f wav
make tone.flac -f lavfi -i "$(tone 440 2 44100)" -c:a flac -f flac

# Seeks far from a key frame: 8 s of H.264 with 3 B-frames and one key frame.
make long_gop.mkv -f lavfi -i "$(video $small 25 8)" -c:v libx264 -preset veryfast -g 250 \
    -keyint_min 250 -sc_threshold 0 -bf 3 -pix_fmt yuv420p -f matroska

# AVI times its samples in decoding order only: H.264 with 3 B-frames, and MPEG-4 Part 2 with
# 2 B-frames (Xvid's tag), each with a key frame every 2 s and sound.
make h264_bframes.avi -f lavfi -i "$(video $small 25 8)" -f lavfi -i "$(tone 440 8)" \
    -c:v libx264 -preset veryfast -g 50 -keyint_min 50 -sc_threshold 0 -bf 3 -pix_fmt yuv420p \
    -c:a pcm_s16le -f avi
make mpeg4_bframes.avi -f lavfi -i "$(video $small 25 8)" -f lavfi -i "$(tone 440 8)" \
    -c:v mpeg4 -q:v 4 -g 50 -bf 2 -vtag XVID -c:a pcm_s16le -f avi

# Longer than 2^32 units of 100 ns (7 min 9 s): 8 min 20 s at 2 frames per second, every
# picture a key picture. And an MP4 whose index, written first, promises 24 s while its data is
# cut after about 12 s, as a copy broken off leaves it.
make long_500s.avi -f lavfi -i "$(video 160x120 2 500)" -c:v mjpeg -q:v 8 -f avi
make index_first_24s.mp4 -f lavfi -i "$(video 160x120 25 24)" -c:v libx264 -preset veryfast \
    -g 25 -bf 2 -pix_fmt yuv420p -movflags +faststart -f mp4
if [ ! -e "$out/truncated.mp4" ]; then
    head -c $(($(stat -c %s "$out/index_first_24s.mp4") / 2)) "$out/index_first_24s.mp4" \
        >"$out/.tmp.truncated.mp4"
    mv "$out/.tmp.truncated.mp4" "$out/truncated.mp4"
fi

if [ $bench = 1 ]; then
    make bench_1080p.mp4 -f lavfi -i "testsrc2=s=1920x1080:r=25:d=20" \
        -c:v libx264 -preset veryfast -g 250 -bf 3 -pix_fmt yuv420p -f mp4
    # As users' files are: 40 s of 1080p H.264 with 3 B-frames, a key frame every 250 frames
    # (scene cuts off), AC-3 sound, the picture starting 6 ms after the sound.
    make bench_1080p_ac3.mkv -f lavfi -i "$(tone 440 40.1)" -f lavfi -i "$(video 1920x1080 25 40)" \
        -map 1:v -map 0:a -vf "setpts=PTS+0.006/TB" -c:v libx264 -preset veryfast -g 250 \
        -keyint_min 250 -sc_threshold 0 -bf 3 -pix_fmt yuv420p -c:a ac3 -b:a 192k -f matroska
fi

# Display rotation: phone-like H.264 stored landscape (320x180) with a display matrix in the
# video track header, as phones write it: turned a quarter clockwise (portrait), half, three
# quarters, and a mirrored quarter turn (matrix 0 1 1 0). MP4 and MOV share the same stream.
# rotated BASE NAME A B C D: copies BASE into NAME and writes the matrix A B C D into it.
rotated() {
    [ -s "$out/$2" ] && return 0
    cp "$out/$1" "$out/.tmp.$2"
    python3 "$here/../display-matrix.py" "$out/.tmp.$2" "$3" "$4" "$5" "$6"
    mv "$out/.tmp.$2" "$out/$2"
}
make rotate_base.mp4 -f lavfi -i "$(video 320x180 25 2)" -f lavfi -i "$(tone 440 2)" \
    -c:v libx264 -preset veryfast -g 25 -bf 2 -pix_fmt yuv420p -c:a aac -b:a 64k -f mp4
make rotate_base.mov -i "$out/rotate_base.mp4" -c copy -f mov
for ext in mp4 mov; do
    rotated rotate_base.$ext rotate_90.$ext 0 1 -1 0
    rotated rotate_base.$ext rotate_180.$ext -1 0 0 -1
    rotated rotate_base.$ext rotate_270.$ext 0 -1 1 0
done
rotated rotate_base.mp4 rotate_90_mirror.mp4 0 1 1 0
# Matroska keeps the turn in the track's Projection, written with mkvpropedit: the same turns
# as the MP4 files above (the roll is the picture's turn as stored, counter-clockwise, so a
# quarter turn clockwise shows it upright; a yaw of 180 mirrors it first).
# projected NAME YAW ROLL
projected() {
    [ -s "$out/$1" ] && return 0
    cp "$out/rotate_base.mkv" "$out/.tmp.$1"
    mkvpropedit -q "$out/.tmp.$1" --edit track:v1 --set projection-type=0 \
        --set projection-pose-yaw="$2" --set projection-pose-roll="$3"
    mv "$out/.tmp.$1" "$out/$1"
}
make rotate_base.mkv -i "$out/rotate_base.mp4" -c copy -f matroska
projected rotate_90.mkv 0 -90
projected rotate_180.mkv 0 180
projected rotate_270.mkv 0 90
projected rotate_90_mirror.mkv 180 90

# Variable frame rate, as phones record: a 30 fps source with every third frame dropped for
# 2 s (mean 20 fps), then every other one (15 fps); the burned-in number is the source frame's.
# MP4 with a 90 kHz time scale, and Matroska, whose times are rounded to the millisecond.
vfr_drops="testsrc2=s=$small:r=30:d=4${overlay},select='if(lt(n\,60)\,mod(n\,3)\,not(mod(n\,2)))'"
make vfr_drops.mp4 -f lavfi -i "$vfr_drops" -f lavfi -i "$(tone 440 4)" -fps_mode passthrough \
    -enc_time_base:v 1/90000 -video_track_timescale 90000 -c:v libx264 -preset veryfast -g 30 \
    -bf 2 -pix_fmt yuv420p -c:a aac -shortest -f mp4
make vfr_drops.mkv -f lavfi -i "$vfr_drops" -f lavfi -i "$(tone 440 4)" -fps_mode passthrough \
    -c:v libx264 -preset veryfast -g 30 -bf 2 -pix_fmt yuv420p -c:a libopus -shortest \
    -f matroska

# HDR: 10-bit HEVC in BT.2020 with the HLG (ARIB STD-B67) and the PQ (SMPTE ST 2084) transfer,
# as phones record, tagged both in the stream and in the container.
# hevc10 NAME SIZE SECONDS PRIMARIES TRANSFER MATRIX (x265's names, which ffmpeg's match here)
hevc10() {
    make "$1" -f lavfi -i "$(video "$2" 25 "$3")" -c:v libx265 -preset ultrafast \
        -x265-params "log-level=error:keyint=25:colorprim=$4:transfer=$5:colormatrix=$6" \
        -pix_fmt yuv420p10le -color_primaries "$4" -color_trc "$5" -colorspace "$6" \
        -tag:v hvc1 -f mp4
}
hevc10 hlg.mp4 $small 2 bt2020 arib-std-b67 bt2020nc
hevc10 pq.mp4 $small 2 bt2020 smpte2084 bt2020nc
hevc10 sdr10.mp4 $small 2 bt709 bt709 bt709 # 10 bits, but SDR: converted as before

# Recording dates, places and cameras: what camcorders and phones write. An AVCHD-like M2TS
# whose H.264 carries the camcorder's MDPM user data before every picture (written by
# tools/mdpm-sei.py: 2013-07-14 09:30:00 at +02:00, Sony HDR-CX110E, the clock ticking with the
# pictures), and one whose MDPM dates are not BCD; MP4 with a UTC creation time; MOV with Apple's
# local creation date and zone, place and camera; MP4 with Android's place; Matroska with a
# recording date; MP4 with a creation time before 1980 and a place off the globe; Matroska with
# a recording date in the future.
# 12 s each, 25 fps, no B-frames.
mdpm_ts() { # NAME START
    [ -s "$out/$1" ] && return 0
    "${ff[@]}" -f lavfi -i "$(video $small 25 12)" -c:v libx264 -preset veryfast -bf 0 -g 25 \
        -pix_fmt yuv420p -x264-params slices=1 -f h264 "$out/.tmp.$1.h264"
    python3 "$here/../mdpm-sei.py" "$out/.tmp.$1.h264" "$out/.tmp.$1.sei.h264" 25 "$2" "+02:00" \
        0108 "HDR-CX110E"
    "${ff[@]}" -r 25 -f h264 -i "$out/.tmp.$1.sei.h264" -c copy -mpegts_m2ts_mode 1 -f mpegts \
        "$out/.tmp.$1"
    rm -f "$out/.tmp.$1.h264" "$out/.tmp.$1.sei.h264"
    mv "$out/.tmp.$1" "$out/$1"
}
mdpm_ts dated_mdpm.m2ts "2013-07-14 09:30:00"
mdpm_ts dated_mdpm_damaged.m2ts damaged
dated_video=(-f lavfi -i "$(video $small 25 12)" -c:v libx264 -preset veryfast -bf 0 -g 25
    -pix_fmt yuv420p)
make dated_utc.mp4 "${dated_video[@]}" -metadata creation_time=2021-06-05T14:03:20Z -f mp4
make dated_apple.mov "${dated_video[@]}" -movflags use_metadata_tags \
    -metadata creation_time=2022-08-09T16:30:00Z \
    -metadata com.apple.quicktime.creationdate=2022-08-09T18:30:00+0200 \
    -metadata com.apple.quicktime.location.ISO6709=+48.8584+002.2945+035.000/ \
    -metadata com.apple.quicktime.make=Apple -metadata "com.apple.quicktime.model=iPhone 12" \
    -f mov
make dated_android.mp4 "${dated_video[@]}" -metadata creation_time=2020-02-29T11:00:00Z \
    -metadata location=-33.8568+151.2153/ -f mp4
make dated.mkv "${dated_video[@]}" -metadata "DATE_RECORDED=2019-12-31 23:59:40" -f matroska
make dated_absurd.mp4 "${dated_video[@]}" -metadata creation_time=1975-03-01T08:00:00Z \
    -metadata location=+91.0000+200.0000/ -f mp4
make dated_future.mkv "${dated_video[@]}" -metadata "DATE_RECORDED=2150-01-01 00:00:00" \
    -f matroska

# Finding the best frame (the sharpest frame nearby, scenes found in the picture, the strip).
# A wide testsrc2 pattern panned 8 pixels a frame (a handheld camera's move), with the frame
# number drawn on top of whatever the picture is.
pan_pattern="testsrc2=s=1120x240:r=25:d=4,crop=320:240:x='n*8':y=0,format=yuv420p"
# Camera-like motion blur everywhere (each picture the average of the pan's last three
# positions) except frames 12 and 30, which are sharp. The panned picture has the same fine
# detail everywhere (a checkerboard), so the frames differ by their blur, not by what they show.
checkers="nullsrc=s=1120x240:r=25:d=2,geq=lum='if(mod(floor(X/16)+floor(Y/12)\,2)\,200\,50)':cb=128:cr=128"
make sharp_one.mp4 -f lavfi -i "$checkers" -filter_complex \
    "[0]crop=320:240:x='n*6':y=0,format=yuv420p,split[s][b];[b]tmix=frames=3[m];[s][m]overlay=enable='not(eq(n\,12)+eq(n\,30))'${overlay}" \
    -c:v libx264 -preset veryfast -crf 16 -g 25 -bf 2 -pix_fmt yuv420p -f mp4
# Hard cuts at frames 40, 80 and 120 between four shots of 40 frames: the moving test pattern,
# the pan with motion blur, colour bars, and a faster pan of another pattern (no cut inside).
make scene_cuts.mp4 -f lavfi -i "testsrc2=s=320x240:r=25:d=1.6" \
    -f lavfi -i "$pan_pattern" -f lavfi -i "smptebars=s=320x240:r=25:d=1.6" \
    -f lavfi -i "testsrc=s=1000x240:r=25:d=1.6" -filter_complex \
    "[0]format=yuv420p,setsar=1[a];[1]trim=end_frame=40,tmix=frames=5,setpts=N/25/TB,setsar=1[b];[2]format=yuv420p,setsar=1[c];[3]crop=320:240:x='n*16':y=0,format=yuv420p,setsar=1[d];[a][b][c][d]concat=n=4:v=1:a=0,setpts=N/25/TB${overlay}" \
    -c:v libx264 -preset veryfast -crf 18 -g 50 -bf 2 -pix_fmt yuv420p -f mp4

# Deep video turned: the 10-bit SDR clip with a quarter-turn display matrix, for 16-bit stills
# of phone video.
rotated sdr10.mp4 sdr10_90.mp4 0 1 -1 0
