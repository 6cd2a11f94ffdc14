; The voice button's script, also fired by turning the wheel forward: Mina's last voice again.

    call ReplayMsgBoxSound(1)
    Return
