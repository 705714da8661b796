#ifndef VELTRANE_DB_PG_TYPE_OIDS_H_
#define VELTRANE_DB_PG_TYPE_OIDS_H_

namespace veltrane::db {

// Type OIDs of PostgreSQL's built-in types (pg_type.oid; fixed across
// versions), as libpq's Oid.
inline constexpr unsigned int kBoolOid = 16;
inline constexpr unsigned int kByteaOid = 17;
inline constexpr unsigned int kCharOid = 18;
inline constexpr unsigned int kInt8Oid = 20;
inline constexpr unsigned int kInt2Oid = 21;
inline constexpr unsigned int kInt4Oid = 23;
inline constexpr unsigned int kOidOid = 26;
inline constexpr unsigned int kFloat4Oid = 700;
inline constexpr unsigned int kFloat8Oid = 701;
inline constexpr unsigned int kMoneyOid = 790;
inline constexpr unsigned int kBpcharOid = 1042;
inline constexpr unsigned int kVarcharOid = 1043;
inline constexpr unsigned int kDateOid = 1082;
inline constexpr unsigned int kTimeOid = 1083;
inline constexpr unsigned int kTimestampOid = 1114;
inline constexpr unsigned int kTimestamptzOid = 1184;
inline constexpr unsigned int kNumericOid = 1700;
inline constexpr unsigned int kUuidOid = 2950;

}  // namespace veltrane::db

#endif  // VELTRANE_DB_PG_TYPE_OIDS_H_
