#include "collection/remote/remote_query.h"

#include "collection/remote/task_notice.h"
#include "collection/remote/web_download.h"
#include "collection/remote/web_frame.h"
#include "collection/remote/web_search_reply.h"
#include "collection/remote/web_search_request.h"
#include "collection/search_criteria.h"

namespace {

int Exchange(TaskNotice& n) {
    std::vector<unsigned char> request;
    if (n.criteria == nullptr)
        return kWebBadArgument;
    if (int error = BuildSearchRequest(*n.criteria, &request); error != 0)
        return error;
    if (request.size() < kWebFrameMinLength || request.size() > kWebFrameMaxLength)
        return kWebBadArgument;

    TcpSocket socket;
    if (int error = socket.Connect(n.server, n.timeouts.connectMs, n.stop); error != 0)
        return error;
    std::vector<unsigned char> reply(4);
    int error = socket.SendAll(request.data(), request.size(), n.timeouts.receiveMs, n.stop);
    if (error == 0)
        error =
            socket.ReceiveAll(reply.data(), 4, n.timeouts.receiveMs, n.stop, kWebConnectionClosed);
    if (error == 0) {
        // The length is checked before anything is allocated for the rest.
        const std::uint32_t length = ReadBigEndian32(reply.data());
        if (length < kWebFrameMinLength || length > kWebFrameMaxLength) {
            error = kWebBadFrame;
        } else {
            reply.resize(length);
            error = socket.ReceiveAll(reply.data() + 4, length - 4, n.timeouts.receiveMs, n.stop,
                                      kWebConnectionClosed);
        }
    }
    socket.ShutdownAndClose();
    if (error != 0)
        return error;
    return ParseSearchReply(reply.data(), reply.size(), &n.rowCount, &n.rows);
}

} // namespace

int NetStartup() {
    IgnoreBrokenPipes();
    DownloadStartup();
    return 0;
}

void RunRemoteQuery(TaskNotice* notice) {
    if (notice == nullptr)
        return;
    FreeResultRows(&notice->rowCount, &notice->rows);
    notice->errorCode = Exchange(*notice);
    notice->code = notice->errorCode == 0 ? kNoticeQueryRows : kNoticeFailed;
    if (notice->post)
        notice->post(*notice);
}
