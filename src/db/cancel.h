#ifndef VELTRANE_DB_CANCEL_H_
#define VELTRANE_DB_CANCEL_H_

namespace veltrane::db {

// A statement still waited for this long after a cancel request is
// cancelled; its server then has kCancelGraceMs more to answer before the
// connection is cut.
inline constexpr int kCancelDelayMs = 500;
inline constexpr int kCancelGraceMs = 2000;

// Asks every PostgreSQL statement in flight, and every one sent later, to
// end soon: one that the server answers within kCancelDelayMs ends as it
// would have; for one that is still waited for then, the server gets
// libpq's cancel request (sent from a thread of its own, so that a server
// that does not answer cannot hold the caller); and a connection still
// waited on kCancelGraceMs after that is cut, failing its call. So no wait
// outlasts the request by much more than their sum. Safe to call from a
// signal handler. Stands until ClearCancel.
void RequestCancel();
// Ends a cancel request: statements run normally again.
void ClearCancel();
bool CancelRequested();

}  // namespace veltrane::db

#endif  // VELTRANE_DB_CANCEL_H_
