// For the tests of the converters with the real ffmpeg: what ffmpeg shows of
// a video, and how near the converters' pictures come to it.
#pragma once

#include "harness.h"

#include <gtest/gtest.h>

// The bytes of an image that follow its PAM header ("" without a header).
inline std::string pam_body(const std::string &pam)
{
    size_t end = pam.find("ENDHDR\n");
    return end == std::string::npos ? "" : pam.substr(end + 7);
}

// A video's frames as ffmpeg decodes them, in the given pixel format.
inline std::string ffmpeg_decoded(const std::string &video, const std::string &pix_fmt,
                                  std::source_location loc = std::source_location::current())
{
    return expect_success(shell("ffmpeg -nostdin -v error -i " + video +
                                " -f rawvideo -pix_fmt " + pix_fmt + " -"),
                          "", loc)
        .out;
}

// Two pictures of 8-bit samples of the same size, every sample within one.
inline void expect_within_one(const std::string &ours, const std::string &shown,
                              const std::string &what,
                              std::source_location loc = std::source_location::current())
{
    SCOPED_TRACE(what);
    if (ours.size() != shown.size())
        ADD_FAILURE_AT(loc.file_name(), int(loc.line()))
            << ours.size() << " samples, ffmpeg shows " << shown.size();
    for (size_t i = 0; i < ours.size() && i < shown.size(); i++)
        if (std::abs(int((unsigned char)ours[i]) - int((unsigned char)shown[i])) > 1)
            ADD_FAILURE_AT(loc.file_name(), int(loc.line()))
                << "sample " << i << ": " << int((unsigned char)ours[i]) << ", ffmpeg shows "
                << int((unsigned char)shown[i]);
}
