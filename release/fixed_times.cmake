# Read by CPack before it packs. Every member of the zip gets the same time,
# so that the same programs make the same zip whenever and wherever it is
# made. CPack's ZIP writer takes that time from SOURCE_DATE_EPOCH and also
# writes it as a local DOS time, which depends on the time zone: hence UTC.
set(ENV{SOURCE_DATE_EPOCH} 315532800)  # 1980-01-01 00:00 UTC, the earliest time a zip holds
set(ENV{TZ} UTC0)
