; every kind of operand
start:  Jump 0 ahead
        PushConst 0 0x1F
        pushconst 0, -5
ahead:  JumpIfFalse 1 start
        CallCommand waitclick
        PushConst 2 "a\\\"\x7F\n\w\p{int:1}{str:0x10}{common:258}あ"
        call 104(7, true, false, "x", gi[1], gf[2], gs[3], ci[4], cf[5], cs[6], cm[7])
        .pool AB cd
        Op 99 -1 0xFFFFFFFF
        End
